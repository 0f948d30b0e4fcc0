#pragma once
// Every text of the installer that a language pack may replace, in one table: its id in the pack
// and its built-in (Russian) text, used when the pack has none. TLanguages::Text looks one up.
#include <cstdint>

struct TTextId {
    int32_t id;
    const char16_t* builtin;
};

namespace texts {

// Messages and headings.
constexpr TTextId kDamaged{1, u"Архив повреждён, распаковка невозможна."};
constexpr TTextId kChooseFolder{4, u"Выберите папку для распаковки"};
constexpr TTextId kError{5, u"Ошибка"};
// Arguments: item number, item count, item name.
constexpr TTextId kCurrentFile{10, u"Сейчас распаковывается (%d/%d): %s"};
constexpr TTextId kFileExists{11, u"Файл %s существует.\r\n\r\nПерезаписать?"};
constexpr TTextId kCrcMismatch{
    12, u"Не совпадает контрольная сумма для файла %s.\r\n\r\nРаспаковать файл?"};
constexpr TTextId kCancelled{13, u"Распаковка отменена пользователем."};
constexpr TTextId kUnknownError{14, u"Unknown error %d"};
constexpr TTextId kConfirmExit{21, u"Выйти из программы установки?"};
constexpr TTextId kExitCaption{22, u"Отмена установки"};
constexpr TTextId kWelcomeHeading{23, u"Вас приветствует мастер установки %s"};
constexpr TTextId kWindowCaption{24, u"Установка - %s"};
constexpr TTextId kExtractHeading{27, u"Установка %s"};
constexpr TTextId kDoneHeading{28, u"Установка завершена!"};
constexpr TTextId kWelcomeText{
    30,
    u"Программа установит %s на Ваш компьютер.\r\n\r\n"
    u"Рекомендуется закрыть все прочие приложения перед тем, как продолжить.\r\n\r\n"
    u"Нажмите \"Далее\" чтобы продолжить, или \"Отмена\" чтобы выйти из программы установки."};
constexpr TTextId kCheckHeading{32, u"Проверка содержимого пакета"};

// Captions of the window's controls (their tags).
constexpr TTextId kBrowse{100007, u"Обзор"};
constexpr TTextId kOpenFolder{100015, u"Открыть папку"};
constexpr TTextId kReport{100017, u"Пожаловаться на содержимое"};
constexpr TTextId kClose{100021, u"Закрыть"};
constexpr TTextId kCancel{100023, u"Отмена"};
constexpr TTextId kBack{100039, u"Назад"};
constexpr TTextId kNext{100045, u"Далее"};
constexpr TTextId kDestinationLabel{
    100046,
    u"Программа будет установлена в следующую папку. Для выбора другой папки нажмите \"Обзор\"."};
constexpr TTextId kFinishText{
    100047,
    u"Теперь вы можете открыть папку с установленной программой.\r\n\r\n"
    u"Если содержимое установочного пакета не соответствует заявленному, пожалуйста сообщите "
    u"нам об этом при помощи кнопки \"Пожаловаться на содержимое\"."};
constexpr TTextId kCheckWait{100053, u"Проверка пакета, подождите несколько секунд..."};
constexpr TTextId kCheckLabel{100056, u"Проверка содержимого пакета:"};
constexpr TTextId kRunProgram{100057, u"Запустить установленную программу"};
constexpr TTextId kPreFinish{100058, u"Процесс установки завершён"};

// The whole table, for whoever has to walk it (the pack's checks).
constexpr TTextId kAll[] = {
    kDamaged,        kChooseFolder, kError,       kCurrentFile,  kFileExists,     kCrcMismatch,
    kCancelled,      kUnknownError, kConfirmExit, kExitCaption,  kWelcomeHeading, kWindowCaption,
    kExtractHeading, kDoneHeading,  kWelcomeText, kCheckHeading, kBrowse,         kOpenFolder,
    kReport,         kClose,        kCancel,      kBack,         kNext,           kDestinationLabel,
    kFinishText,     kCheckWait,    kCheckLabel,  kRunProgram,   kPreFinish};

// The program's title (the task bar's and the cancel notice's caption); no pack replaces it.
constexpr const char16_t* kApplicationTitle = u"Setup";

}  // namespace texts
