#pragma once
// The wizard's built-in texts (Russian); a language pack replaces them by id.
#include "platform/types.h"

constexpr const char16_t* kText1Default = u"Архив повреждён, распаковка невозможна.";
constexpr const char16_t* kText4Default = u"Выберите папку для распаковки";
constexpr const char16_t* kText5Default = u"Ошибка";
constexpr const char16_t* kText13Default = u"Распаковка отменена пользователем.";
constexpr const char16_t* kText14Default = u"Unknown error %d";
constexpr const char16_t* kText21Default = u"Выйти из программы установки?";
constexpr const char16_t* kText22Default = u"Отмена установки";
constexpr const char16_t* kText23Default = u"Вас приветствует мастер установки %s";
constexpr const char16_t* kText24Default = u"Установка - %s";
constexpr const char16_t* kText27Default = u"Установка %s";
constexpr const char16_t* kText28Default = u"Установка завершена!";
constexpr const char16_t* kText30Default =
    u"Программа установит %s на Ваш компьютер.\r\n\r\n"
    u"Рекомендуется закрыть все прочие приложения перед тем, как продолжить.\r\n\r\n"
    u"Нажмите \"Далее\" чтобы продолжить, или \"Отмена\" чтобы выйти из программы установки.";
constexpr const char16_t* kText32Default = u"Проверка содержимого пакета";
constexpr const char16_t* kCloseCaptionDefault = u"Закрыть";  // id 100021
constexpr const char16_t* kCancelCaptionDefault = u"Отмена";  // id 100023
constexpr const char16_t* kLabel1Default =
    u"Программа будет установлена в следующую папку. Для выбора другой папки нажмите \"Обзор\".";
constexpr const char16_t* kLabel6Default =
    u"Теперь вы можете открыть папку с установленной программой.\r\n\r\n"
    u"Если содержимое установочного пакета не соответствует заявленному, пожалуйста сообщите "
    u"нам об этом при помощи кнопки \"Пожаловаться на содержимое\".";

// The application's title: the task bar's and the cancel notice's caption.
constexpr const char16_t* kApplicationTitle = u"Setup";
