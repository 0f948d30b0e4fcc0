// The extraction thread on its own: what each of the component's reports does to the window's
// controls, how skips and stop requests end a run, and that a run is never cut off.
#include <memory>
#include <string>
#include <vector>

#include "common/ZM_Common.h"
#include "extract/uextrthrd.h"
#include "lang/utextformat.h"
#include "package/ZMArchiveFile.h"
#include "platform/codepage.h"
#include "tests/unit/wizard_testkit.h"
#include "ui/headless/headless.h"

namespace {

using wizardkit::U8;
namespace hl = ui::headless;

// A stored name as the window shows it: with the system's path delimiter.
std::string Shown(const std::string& stored) {
    return U8(SystemPathName(platform::Utf8ToWide(stored)));
}

// A progress record with every value settable.
class TFakeDetails : public TZMProgressDetails {
  public:
    int64_t BytesWritten() const override { return 0; }
    int64_t Delta() const override { return 0; }
    const AnsiString& ItemName() const override { return name; }
    int32_t ItemNumber() const override { return number; }
    int64_t ItemPosition() const override { return item_pos; }
    int64_t ItemSize() const override { return item_size; }
    uint8_t Order() const override { return order; }
    bool Flag() const override { return false; }
    int64_t TotalCount() const override { return total_count; }
    int64_t TotalPosition() const override { return total_pos; }
    int64_t TotalSize() const override { return total_size; }

    AnsiString name;
    int32_t number = 0;
    int64_t item_pos = 0, item_size = 0, total_count = 0, total_pos = 0, total_size = 0;
    uint8_t order = 0;
};

class ExtractThreadTest : public wizardkit::TInstallerTest {
  protected:
    void SetUp() override {
        TInstallerTest::SetUp();
        label = form.Add(ui::Kind::Label, u"lbl");
        item = form.Add(ui::Kind::ProgressBar, u"item");
        total = form.Add(ui::Kind::ProgressBar, u"total");
        log = form.Add(ui::Kind::Memo, u"log");
    }
    TExtractWindow Window() {
        TExtractWindow w;
        w.Owner = &form;
        w.FileLabel = label;
        w.ItemProgress = item;
        w.ArchiveProgress = total;
        w.Log = log;
        w.Done = [this](int32_t p, int32_t s, bool c) {
            done = true;
            processed = p;
            skipped = s;
            cancelled = c;
        };
        return w;
    }
    // Opens the package as start-up does; the thread runs through its component.
    TZMZipper& Opened(const zipkit::ZipBuilder& zip) {
        const UString pkg = dir.File("pkg.exe");
        EXPECT_TRUE(wizardkit::WritePackage(pkg, zip, {}));
        EXPECT_TRUE(package.Open(pkg, true));
        return *package.Zip;
    }
    std::unique_ptr<TExtractThread> Run(const zipkit::ZipBuilder& zip) {
        auto t = std::make_unique<TExtractThread>(Opened(zip), dir.File("out"), "", Window());
        EXPECT_TRUE(hl::PumpUntil([this] { return done; }, 120000));
        return t;
    }

    TZMArchiveFile package;
    ui::TForm form;
    ui::TComponent *label = nullptr, *item = nullptr, *total = nullptr, *log = nullptr;
    bool done = false, cancelled = false;
    int32_t processed = -1, skipped = -1;
};

TEST_F(ExtractThreadTest, ReportsReachTheControlsAsTheRulesSay) {
    zipkit::ZipBuilder b;
    b.AddFile("x.txt", "x");
    auto t = Run(b);
    ASSERT_EQ(0, t->End().code);
    log->SetText(UString());

    // Replayed reports go through the same handler the component calls.
    TZMZipper& z = t->Session().Zip();
    TFakeDetails d;
    d.order = zpoNewItem;
    d.name = "sub/file.bin";
    d.number = 3;
    d.total_count = 7;
    z.OnProgress(z, d);
    EXPECT_EQ("Сейчас распаковывается (3/7): " + Shown("sub/file.bin"), U8(label->Caption()));
    ASSERT_EQ(1u, log->Lines().size());
    EXPECT_EQ(Shown("sub/file.bin"), U8(log->Lines()[0]));

    item->SetPosition(80);
    d.order = zpoProgress;
    d.item_size = 1000;
    d.item_pos = 0;
    d.total_size = 4000;
    d.total_pos = 0;
    z.OnProgress(z, d);
    EXPECT_EQ(80, item->Position()) << "the new file keeps the last bar until it moves";
    EXPECT_EQ(0, total->Position()) << "the overall bar is set also to 0";
    d.item_pos = 500;
    d.total_pos = 1000;
    z.OnProgress(z, d);
    EXPECT_EQ(50, item->Position());
    EXPECT_EQ(25, total->Position());

    for (uint8_t order : {zpoEndOfItem, zpoEndOfBatch, zpoTotalCount, zpoTotalSize, zpoStepStart,
                          zpoStepProgress}) {
        d.order = order;
        d.item_pos = 1000;
        d.total_pos = 4000;
        z.OnProgress(z, d);
    }
    EXPECT_EQ(50, item->Position());
    EXPECT_EQ(1u, log->Lines().size()) << "other reports add no log line";
}

TEST_F(ExtractThreadTest, RunReportsCountsAndOneLogLinePerItem) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    b.AddFile("d/b.txt", "b");
    auto t = Run(b);
    EXPECT_EQ(0, t->End().code);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(2, processed);
    EXPECT_EQ(0, skipped);
    std::vector<std::string> lines;
    for (const UString& l : log->Lines()) {
        if (!l.empty()) lines.push_back(U8(l));
    }
    EXPECT_EQ((std::vector<std::string>{"a.txt", Shown("d/b.txt")}), lines);
    EXPECT_EQ("b", testutil::ReadFile(dir.File("out/d/b.txt")));
    EXPECT_EQ(100, total->Position());
}

// Sees each caption the thread gives the file label, with both bars as they stand at that moment.
class TCaptionRecorder : public ui::TPeer {
  public:
    TCaptionRecorder(ui::TComponent& label, ui::TComponent& item, ui::TComponent& total)
        : label_(label), item_(item), total_(total) {}
    void Changed(ui::Prop what) override {
        if (what == ui::Prop::Caption)
            seen.push_back({U8(label_.Caption()), item_.Position(), total_.Position()});
    }
    struct TSeen {
        std::string caption;
        int item, total;
    };
    std::vector<TSeen> seen;

  private:
    ui::TComponent &label_, &item_, &total_;
};

TEST_F(ExtractThreadTest, ProgressShownLessOftenStillEndsEveryFileAndTheRun) {
    // A file large enough for many progress reports, each closer than the thread shows them,
    // then small ones, each of which has a single report at its end.
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 9);
    zipkit::ZipBuilder b;
    b.AddFile("big.bin", big, 0);
    std::vector<std::string> names = {"big.bin"};
    for (int i = 0; i < 30; ++i) {
        names.push_back("s/f" + std::to_string(i) + ".txt");
        b.AddFile(names.back(), std::string(100 + i, 'a' + i % 26));
    }
    auto* recorder = new TCaptionRecorder(*label, *item, *total);
    label->SetPeer(std::unique_ptr<ui::TPeer>(recorder));
    auto t = Run(b);
    ASSERT_EQ(0, t->End().code);

    // One caption per hand-over, for its latest item: always a later item, the last one last.
    ASSERT_FALSE(recorder->seen.empty());
    EXPECT_LE(recorder->seen.size(), names.size());
    size_t shown = 0;
    for (size_t k = 0; k < recorder->seen.size(); ++k) {
        const std::string& caption = recorder->seen[k].caption;
        size_t i = shown;
        while (i < names.size() && caption.find("(" + std::to_string(i + 1) +
                                                "/31): " + Shown(names[i])) == std::string::npos)
            ++i;
        ASSERT_LT(i, names.size()) << "caption " << k << " names no later item: " << caption;
        if (k > 0) {
            EXPECT_LE(recorder->seen[k - 1].total, recorder->seen[k].total);
        }
        shown = i + 1;
    }
    EXPECT_EQ(names.size(), shown) << "the last caption names the last item";
    std::vector<std::string> lines;
    for (const UString& l : log->Lines()) lines.push_back(U8(l));
    for (std::string& n : names) n = Shown(n);
    EXPECT_EQ(names, lines);
    EXPECT_EQ(100, item->Position());
    EXPECT_EQ(100, total->Position()) << "the run's last progress is shown before it ends";
}

TEST_F(ExtractThreadTest, TerminateCancelsTheRunAtTheNextCheck) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    auto t = Run(b);
    TZMZipper& z = t->Session().Zip();
    bool abort = false;
    z.OnCheckTerminate(z, abort);
    EXPECT_FALSE(abort) << "nothing asked the run to stop";
    t->Terminate();
    z.OnCheckTerminate(z, abort);
    EXPECT_TRUE(abort);
    EXPECT_TRUE(t->Cancelled());
    EXPECT_EQ(extraction::EndKind::Cancelled, t->End().kind);
}

TEST_F(ExtractThreadTest, DestroyingARunningThreadStopsAndWaits) {
    zipkit::ZipBuilder b;
    for (int i = 0; i < 30; ++i) b.AddFile("f" + std::to_string(i), std::string(30000, 'z'));
    auto t = std::make_unique<TExtractThread>(Opened(b), dir.File("out"), "", Window());
    // The worker is waiting for the window's first report; nobody pumps.
    t.reset();
    hl::Pump();
    EXPECT_FALSE(done) << "the completion of an abandoned run is not delivered";
    EXPECT_FALSE(platform::FileExists(dir.File("out/f29")));
}

TEST(TextFormat, FillsPlaceholdersAndSurvivesBadPatterns) {
    EXPECT_EQ(u"Сейчас (3/7): a.txt", FormatText(u"Сейчас (%d/%d): %s", {3, int64_t(7), u"a.txt"}));
    EXPECT_EQ(u"100% of -5", FormatText(u"100%% of %d", {-5}));
    EXPECT_EQ(u"[  42][42  ][007]", FormatText(u"[%4d][%-4d][%.3d]", {42, 42, 7}));
    EXPECT_EQ(u"a  b", FormatText(u"a %s b", {}));         // missing argument: nothing
    EXPECT_EQ(u"n=12", FormatText(u"n=%s", {12}));         // number for %s
    EXPECT_EQ(u"%x %", FormatText(u"%x %", {u"unused"}));  // unknown kept as written
    EXPECT_EQ(u"-9223372036854775808", FormatText(u"%d", {INT64_MIN}));
    EXPECT_LE(FormatText(u"%999999999999d", {1}).size(), 1025u);
}

}  // namespace
