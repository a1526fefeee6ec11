#include "report/GenerateReport.h"

#include "platform/NewFiles.h"
#include "report/DocxWriter.h"
#include "report/ReportModule.h"
#include "sysinfo/CpuText.h"
#include "sysinfo/SystemPage.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>

namespace vexlin::report {

namespace {

constexpr const char* kDocxType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document";

std::string text(const QString& value) {
    return value.toStdString();
}

std::string labelText(const QWidget& page, const char* name) {
    const auto* label = page.findChild<const QLabel*>(name);
    return label != nullptr ? text(label->text()) : std::string();
}

std::vector<std::string> listLines(const QListWidget* list) {
    std::vector<std::string> lines;
    if (list != nullptr) {
        for (int i = 0; i < list->count(); ++i) {
            lines.push_back(text(list->item(i)->text()));
        }
    }
    return lines;
}

LabelledText labelled(const QWidget& page, const char* label, const QLabel* field) {
    return LabelledText{labelText(page, label), field != nullptr ? text(field->text()) : std::string()};
}

void gatherInventory(const SystemPage& p, ReportInputs& in) {
    in.systemCaption = text(p.GroupBox2->title());
    in.osName = text(p.Label1->text());
    in.osVersion = text(p.StaticText12->text());
    in.osBuild = text(p.StaticText25->text());
    in.dos = labelled(p, "Label2", p.StaticText11);
    in.computerName = labelled(p, "Label11", p.StaticText21);
    in.userName = labelled(p, "Label12", p.StaticText20);
    in.biosVersion = LabelledText{labelText(p, "Label18"), text(p.Memo1->toPlainText())};
    in.biosDate = labelled(p, "Label7", p.StaticText23);
    in.processorCaption = text(p.GroupBox3->title());
    in.processorLines = listLines(p.ListBox4);
    in.computerCaption = text(p.GroupBox4->title());
    in.memory = labelled(p, "Label10", p.StaticText19);
    in.partitions = listLines(p.ListBox3);
    in.drives = labelled(p, "Label5", p.StaticText15);
    in.soundCard = labelled(p, "Label3", p.StaticText13);
    in.serialPorts = labelled(p, "Label4", p.StaticText14);
    in.displayCaption = text(p.GroupBox1->title());
    in.resolution = labelled(p, "Label8", p.StaticText17);
    in.colours = labelled(p, "Label6", p.StaticText16);
    in.adapters = LabelledLines{labelText(p, "Label17"), listLines(p.ListBox2)};
    in.displayModes = LabelledLines{labelText(p, "Label19"), listLines(p.ListBox1)};
}

ProcessorFacts readProcessor(const platform::Processor& processor) {
    const auto dump = sysinfo::readCpuid(processor);
    const std::string vendor = sysinfo::registerText(dump.leaf0.ebx) + sysinfo::registerText(dump.leaf0.edx) +
                               sysinfo::registerText(dump.leaf0.ecx);
    const std::string brand = sysinfo::hasExtendedLeaves(dump) ? sysinfo::brandText(dump) : std::string();
    return processorFacts(dump.leaf0.eax, vendor, dump.leaf1.eax, brand);
}

MachineFacts readMachine(const AppServices& services, const std::string& kernel) {
    MachineFacts m;
    if (services.system) {
        m.os = services.system->osVersion();
        m.computerName = services.system->computerName();
        m.userName = services.system->userName();
        m.biosDate = services.system->biosDate();
        m.biosVersions = biosStrings(services.system->biosVersionBytes());
        m.memoryBytes = services.system->totalMemoryBytes();
        m.opticalDrives = services.system->opticalDrives();
        m.soundOutputDevices = services.system->soundOutputDevices();
        m.serialPorts = services.system->serialPorts();
    }
    m.kernel = kernel;
    if (services.partitions) {
        m.partitions = services.partitions->fixedPartitions();
    }
    if (services.display) {
        m.displayAdapters = services.display->adapters();
        m.displayModes = services.display->modes();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && screen->depth() > 0) {
        const qreal ratio = screen->devicePixelRatio();
        m.screenWidth = qRound(screen->geometry().width() * ratio);
        m.screenHeight = qRound(screen->geometry().height() * ratio);
        m.screenBitsPerPixel = screen->depth();
    }
    if (services.processor) {
        m.processor = readProcessor(*services.processor);
    }
    return m;
}

TestConditions readConditions(const AppServices& services, const ReportSources& sources) {
    TestConditions c;
    if (services.power) {
        c.power = services.power->read();
    }
    if (services.environment) {
        c.cpufreqGovernor = services.environment->cpuFrequencyGovernor();
        c.cpufreqDriver = services.environment->cpuFrequencyDriver();
        c.kernel = services.environment->kernelRelease();
        c.session = services.environment->sessionType();
    } else {
        c.session = "unknown";
    }
    if (sources.glInfo) {
        sources.glInfo(c);
    }
    return c;
}

} // namespace

QString reportFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::HomeLocation) : documents;
}

QString reportStem(const QDateTime& when) {
    return "Отчёт Vexlin " + when.toString("yyyy-MM-dd HH-mm-ss");
}

ReportInputs gatherReportInputs(const ReportSources& sources, const results::ResultsStore& results) {
    ReportInputs in;
    if (sources.systemPage != nullptr) {
        gatherInventory(*sources.systemPage, in);
    }
    in.averageFps = AverageFps;
    in.averageCpuMhz = AverageCpuMhz;
    in.captureCapabilities = listLines(sources.captureList);
    in.results = results.lines();
    return in;
}

ReportOutcome generateReport(AppServices& services, const ReportSources& sources, QWidget* parent,
                             const QString& folder, const std::filesystem::path& moduleFile) {
    ReportOutcome outcome;
    const QDateTime now = QDateTime::currentDateTime();
    ReportRecord record;
    record.programVersion = "0.7.1";
    // Qt's ISO text of a local time leaves the offset out.
    record.createdLocal =
        report::isoLocalTime(text(now.toString("yyyy-MM-ddTHH:mm:ss")), now.offsetFromUtc());
    record.shown = gatherReportInputs(sources, services.results);
    record.conditions = readConditions(services, sources);
    record.machine = readMachine(services, record.conditions.kernel);

    const auto layout = layOut(reportOperations(record.shown));
    const DocumentProperties properties{"Отчёт Vexlin", "Vexlin 0.7.1",
                                        text(now.toUTC().toString("yyyy-MM-ddTHH:mm:ssZ"))};
    const PackedDocument document = docxPackageFromModule(moduleFile, layout, properties);
    if (!document.ok()) {
        dialogs().message(parent, "Vexlin", QString::fromStdString(document.error), Dialogs::Icon::Warning);
        return outcome;
    }
    const auto saved = platform::saveNewFiles(folder.toStdString(), text(reportStem(now)),
                                              {{".docx", document.bytes}, {".json", reportJson(record)}});
    if (!saved.saved) {
        dialogs().message(parent, "Vexlin", QString::fromStdString(saved.error), Dialogs::Icon::Warning);
        return outcome;
    }
    outcome.saved = true;
    outcome.documentPath = QString::fromStdString(saved.paths[0].string());
    outcome.jsonPath = QString::fromStdString(saved.paths[1].string());

    outcome.opened =
        services.documents && services.documents->open(saved.paths[0].string(), kDocxType).opened;
    if (!outcome.opened) {
        // The report exists all the same: the user must learn where it is.
        dialogs().message(parent, "Vexlin", "Cannot start Word !\nОтчёт сохранён: " + outcome.documentPath,
                          Dialogs::Icon::Warning);
    }
    return outcome;
}

} // namespace vexlin::report
