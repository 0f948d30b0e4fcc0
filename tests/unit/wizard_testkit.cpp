#include "tests/unit/wizard_testkit.h"

#include "extract/uextrthrd.h"
#include "lang/ulng.h"
#include "package/ZMContainerFile.h"
#include "package/ZMContainerWriter.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "ui/headless/headless.h"
#include "wizard/Main.h"

namespace wizardkit {

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

bool WritePackage(const UString& path, const zipkit::ZipBuilder& zip,
                  const TPackageLayout& layout) {
    const std::string stub(2500, 'M');
    if (layout.no_container) return testutil::WriteFile(path, stub);
    std::string config = "<?xml version=\"1.0\" encoding=\"utf-8\"?><config><archive_id>" +
                         std::to_string(layout.id) + "</archive_id>";
    if (!layout.title.empty()) config += "<archive_name>" + layout.title + "</archive_name>";
    if (!layout.welcome.empty()) config += "<archive_desc>" + layout.welcome + "</archive_desc>";
    if (!layout.langid.empty()) config += "<langid>" + layout.langid + "</langid>";
    config += "</config>";
    TZMContainerWriter w;
    if (!w.Begin(path, stub)) return false;
    if (!w.AddBlock("config", config, true, true, 0, 0x5A)) return false;
    if (!layout.lang_pack.empty() && !w.AddBlock("lpk", layout.lang_pack, true, true, 0, 0x33)) {
        return false;
    }
    if (!w.AddBlock("zip", zip.Build(), true, false, 15, 0)) return false;
    if (!w.Finish()) return false;
    if (layout.damage_zip) {
        // One byte inside the first entry's data: the archive still lists, its checksum fails.
        std::string bytes = testutil::ReadFile(path);
        TZMContainerFile c;
        if (!c.Open(path)) return false;
        const int i = c.IndexOfBlock("zip");
        if (i < 0) return false;
        const size_t at = static_cast<size_t>(c.Blocks[static_cast<size_t>(i)]->DataOffset) + 40;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
        return testutil::WriteFile(path, bytes);
    }
    return true;
}

AnsiString EnginePath() {
    UString exe = platform::GetExeName();
    size_t k = exe.size();
    while (k > 0 && !platform::IsPathDelimiter(exe[k - 1])) --k;
    return platform::WideToAnsi(exe.substr(0, k)) + TZMEngineLoader::EngineFileName();
}

std::string PackWith(const std::vector<std::pair<int, std::string>>& texts) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><pack version=\"1\">"
        "<lang langid=\"ru\" langname=\"Русский\" engname=\"Russian\"/>"
        "<lang langid=\"en\" langname=\"English\" engname=\"English\">";
    for (const auto& t : texts) {
        xml += "<s id=\"" + std::to_string(t.first) + "\">" + t.second + "</s>";
    }
    return xml + "</lang></pack>";
}

void TInstallerTest::SetUp() {
    ui::headless::Reset();
    Languages = TLanguages();
    HideRussianLanguage = 0;
    TExtractThread::EngineLocation = EnginePath();
    TZMContainerFile::SetSleepHook([this](unsigned) { ++sleeps; });
    platform::SetShellOpenHook([this](const UString& target) { opened.push_back(target); });
}

void TInstallerTest::TearDown() {
    ExtractThread.reset();
    ui::headless::Pump();
    TZMContainerFile::SetSleepHook(nullptr);
    platform::SetShellOpenHook(nullptr);
    EXPECT_EQ(0u, ui::headless::PendingAnswers()) << "prepared answers left unused";
    ui::headless::Reset();
}

std::vector<std::string> TInstallerTest::ShownTexts() const {
    std::vector<std::string> out;
    for (const auto& d : ui::headless::Shown()) out.push_back(U8(d.Text));
    return out;
}

size_t TInstallerTest::ShownCount() const { return ui::headless::Shown().size(); }

std::string TInstallerTest::ShownCaption(size_t i) const {
    return U8(ui::headless::Shown().at(i).Caption);
}

}  // namespace wizardkit
