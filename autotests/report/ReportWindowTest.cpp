// The report as the user gets it: the texts the real system page shows, written to a real folder, read
// back by an independent reader (pandoc) and by Qt's JSON parser.
#include "report/GenerateReport.h"
#include "report/ResultsPage.h"
#include "support/TempDir.h"
#include "sysinfo/SystemPage.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QDir>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <ctime>

using namespace vexlin;

namespace {

class FakeOpener final : public platform::DocumentOpener {
public:
    platform::OpenResult open(const std::string& path, const std::string& mimeType) override {
        opened.push_back(path);
        types.push_back(mimeType);
        return platform::OpenResult{works, works ? "fake-writer" : "", {"fake-writer"}};
    }
    bool works = true;
    std::vector<std::string> opened;
    std::vector<std::string> types;
};

class FakeEnvironment final : public platform::RunEnvironment {
public:
    std::optional<std::string> cpuFrequencyGovernor() const override { return "powersave"; }
    std::optional<std::string> cpuFrequencyDriver() const override { return std::nullopt; }
    std::string kernelRelease() const override { return "6.1.0-test"; }
    std::string sessionType() const override { return "x11"; }
};

QString pandocPlain(const QString& document) {
    QProcess pandoc;
    pandoc.start("pandoc", {"-f", "docx", "-t", "plain", "--wrap=none", document});
    if (!pandoc.waitForFinished(60000) || pandoc.exitCode() != 0) {
        return "pandoc failed: " + QString::fromUtf8(pandoc.readAllStandardError());
    }
    return QString::fromUtf8(pandoc.readAllStandardOutput());
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        services_ = AppServices::forThisSystem();
        auto opener = std::make_unique<FakeOpener>();
        opener_ = opener.get();
        services_.documents = std::move(opener);
        services_.environment = std::make_unique<FakeEnvironment>();
        page_ = std::make_unique<SystemPage>(services_);
        page_->FormCreate();
        page_->FormShow();
        page_->FormActivate();
        capture_ = std::make_unique<QListWidget>();
        capture_->addItems({"11.025 kHz, Моно, 8-бит", "44.1 kHz, Стерео, 16-бит"});
        services_.results.clear();
        services_.results.put({"full_test",
                               "average_fps",
                               "Тест производительности",
                               "57,50 FPS",
                               "",
                               {},
                               {{"fps", 57.5, "FPS"}}});
        services_.results.put({"battery", "none", "Батарея", "Батарея не обнаружена", "", {}, {}});
        AverageFps = 57.5L;
        AverageCpuMhz = 2599.99L;
        sources_.systemPage = page_.get();
        sources_.captureList = capture_.get();
        sources_.glInfo = [](report::TestConditions& c) {
            c.glVendor = "Mesa";
            c.glRenderer = "llvmpipe";
            c.glVersion = "4.5 (Compatibility Profile) Mesa 22.3.6";
        };
    }

    void cleanup() {
        AverageFps = 0.0L;
        AverageCpuMhz = 0.0L;
        page_.reset();
        capture_.reset();
    }

    void documentReadByPandocInOrder() {
        testing::TempDir dir;
        const QString folder = QString::fromStdString((dir.path() / "Documents").string());
        ScopedRecordingDialogs recorded;
        const auto outcome = report::generateReport(services_, sources_, nullptr, folder);
        QVERIFY(outcome.saved);
        QVERIFY(outcome.opened);
        QCOMPARE(recorded.shown().size(), std::size_t{0});
        QCOMPARE(opener_->opened, std::vector<std::string>{outcome.documentPath.toStdString()});
        QCOMPARE(QString::fromStdString(opener_->types.at(0)),
                 QString("application/vnd.openxmlformats-officedocument.wordprocessingml.document"));
        QVERIFY(outcome.documentPath.startsWith(folder + "/Отчёт Vexlin "));
        QVERIFY(outcome.documentPath.endsWith(".docx"));
        QCOMPARE(outcome.jsonPath, outcome.documentPath.chopped(5) + ".json");

        const QString text = pandocPlain(outcome.documentPath);
        const QStringList inOrder{
            "Отчёт.",
            page_->GroupBox2->title(),
            "Операционная система: " + page_->Label1->text(),
            "Имя компьютера: " + page_->StaticText21->text(),
            page_->GroupBox3->title(),
            page_->GroupBox4->title(),
            "Оперативная память: " + page_->StaticText19->text(),
            page_->GroupBox1->title(),
            "Результаты тестов:",
            "Тест производительности:",
            "57.50 FPS",
            "Реальная частота процессора:",
            "2599.99 MHz",
            "Возможности звукозаписи:",
            "11.025 kHz, Моно, 8-бит",
            "44.1 kHz, Стерео, 16-бит",
            "Итоги проверки",
            "Батарея",
            "Батарея: Батарея не обнаружена",
            "Полный тест",
            "Тест производительности: 57,50 FPS",
        };
        qsizetype at = 0;
        for (const auto& piece : inOrder) {
            const auto found = text.indexOf(piece, at);
            QVERIFY2(found >= 0,
                     qPrintable("missing or out of order: " + piece + "\n--- pandoc read:\n" + text));
            at = found + piece.size();
        }
    }

    void jsonTwinParsesBackWithTheSameFacts() {
        testing::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ScopedRecordingDialogs recorded;
        // A machine three hours east of Greenwich, whatever this one's zone.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "<+03>-3");
        tzset();
        const auto outcome = report::generateReport(services_, sources_, nullptr, folder);
        if (zone.isNull()) {
            qunsetenv("TZ");
        } else {
            qputenv("TZ", zone);
        }
        tzset();
        QVERIFY(outcome.saved);
        QFile file(outcome.jsonPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // The time as written, not as a reader makes of it: with its offset, as the format promises.
        const QRegularExpression created(R"("created": "\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\+03:00",)");
        QVERIFY2(created.match(QString::fromUtf8(bytes)).hasMatch(), bytes.left(200).constData());
        QJsonParseError error;
        const auto json = QJsonDocument::fromJson(bytes, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json["program"]["version"].toString(), QString("0.7.1"));
        QCOMPARE(json["results"]["average_fps"].toDouble(), 57.5);
        QVERIFY(qAbs(json["results"]["average_cpu_mhz"].toDouble() - 2599.99) < 1e-6);
        QCOMPARE(json["capture_capabilities"].toArray().size(), 2);
        QCOMPARE(json["conditions"]["opengl"]["renderer"].toString(), QString("llvmpipe"));
        QCOMPARE(json["conditions"]["cpufreq"]["governor"].toString(), QString("powersave"));
        QVERIFY(json["conditions"]["cpufreq"]["driver"].isNull());
        QCOMPARE(json["conditions"]["session"].toString(), QString("x11"));
        QCOMPARE(json["machine"]["os"]["kernel"].toString(), QString("6.1.0-test"));
        QVERIFY(json["machine"]["memory_bytes"].toDouble() > 0);
        QVERIFY(json["machine"]["partitions"].isArray());
        const auto summary = json["summary"].toArray();
        QCOMPARE(summary.size(), 2);
        QCOMPARE(summary[0]["key"].toString(), QString("average_fps"));
        QCOMPARE(summary[0]["facts"]["fps"].toDouble(), 57.5);
        QCOMPARE(summary[0]["units"]["fps"].toString(), QString("FPS"));
        QCOMPARE(summary[1]["value"].toString(), QString("Батарея не обнаружена"));
        QCOMPARE(json["shown_texts"]["memory"]["value"].toString(), page_->StaticText19->text());
        QVERIFY(QDateTime::fromString(json["created"].toString(), Qt::ISODate).isValid());
    }

    // "Сохранить отчёт" on the page "Итоги" writes the report by the same code as the full test's button,
    // into the documents folder, and opens it.
    void thePageSavesTheReportWithWhatWasMeasuredSoFar() {
        testing::TempDir dir;
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", dir.path().string().c_str());
        qputenv("XDG_CONFIG_HOME", (dir.path() / "config").string().c_str()); // no user-dirs.dirs there
        ResultsPage results(services_.results);
        QVERIFY(!results.Button20->isEnabled());
        results.useReport(services_, sources_);
        ScopedRecordingDialogs recorded;
        results.Button20->click();
        qputenv("HOME", home);
        config.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", config);
        QCOMPARE(recorded.shown().size(), std::size_t{0});
        QCOMPARE(opener_->opened.size(), std::size_t{1});
        const QString document = QString::fromStdString(opener_->opened[0]);
        QVERIFY2(document.startsWith(QString::fromStdString((dir.path() / "Documents").string()) +
                                     "/Отчёт Vexlin "),
                 qPrintable(document));
        QVERIFY(QFile::exists(document.chopped(5) + ".json"));
        const QString text = pandocPlain(document);
        QVERIFY2(text.contains("Итоги проверки") && text.contains("Батарея: Батарея не обнаружена"),
                 qPrintable(text));
    }

    void twoPressesWriteTwoDocuments() {
        testing::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ScopedRecordingDialogs recorded;
        const auto first = report::generateReport(services_, sources_, nullptr, folder);
        const auto second = report::generateReport(services_, sources_, nullptr, folder);
        QVERIFY(first.saved && second.saved);
        QVERIFY(first.documentPath != second.documentPath);
        QCOMPARE(filesIn(folder).size(), 4);
        QCOMPARE(opener_->opened.size(), std::size_t{2});
    }

    void unwritableFolderSaysWhichAndLeavesNothing() {
        testing::TempDir dir;
        QFile blocker(QString::fromStdString((dir.path() / "file").string()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString folder = blocker.fileName() + "/reports";
        ScopedRecordingDialogs recorded;
        const auto outcome = report::generateReport(services_, sources_, nullptr, folder);
        QVERIFY(!outcome.saved);
        QCOMPARE(recorded.shown().size(), std::size_t{1});
        QVERIFY2(recorded.shown()[0].text.contains(folder), qPrintable(recorded.shown()[0].text));
        QVERIFY2(recorded.shown()[0].text.endsWith("(нет такой папки)"),
                 qPrintable(recorded.shown()[0].text));
        QCOMPARE(filesIn(QString::fromStdString(dir.path().string())), QStringList{"file"});
        QVERIFY(opener_->opened.empty());
    }

    void aMissingReportModuleSaysWhyAndSavesNothing() {
        testing::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ScopedRecordingDialogs recorded;
        const auto outcome = report::generateReport(services_, sources_, nullptr, folder,
                                                    dir.path() / "modules" / "vexlin-report.so");
        QVERIFY(!outcome.saved);
        QCOMPARE(recorded.shown().size(), std::size_t{1});
        QVERIFY2(recorded.shown()[0].text.startsWith("Отчёт не записан: не загружен модуль отчёта программы"),
                 qPrintable(recorded.shown()[0].text));
        QCOMPARE(filesIn(folder), QStringList{});
        QVERIFY(opener_->opened.empty());
    }

    void nothingToOpenItTellsWhereItWasSaved() {
        opener_->works = false;
        testing::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        ScopedRecordingDialogs recorded;
        const auto outcome = report::generateReport(services_, sources_, nullptr, folder);
        QVERIFY(outcome.saved);
        QVERIFY(!outcome.opened);
        QVERIFY(QFile::exists(outcome.documentPath));
        QCOMPARE(recorded.shown().size(), std::size_t{1});
        const QStringList lines = recorded.shown()[0].text.split('\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString("Cannot start Word !"));
        QVERIFY(lines[1].contains(outcome.documentPath));
    }

private:
    AppServices services_;
    FakeOpener* opener_ = nullptr;
    std::unique_ptr<SystemPage> page_;
    std::unique_ptr<QListWidget> capture_;
    report::ReportSources sources_;
};

QTEST_MAIN(ReportWindowTest)
#include "ReportWindowTest.moc"
