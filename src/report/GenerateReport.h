#pragma once

#include "platform/DataFiles.h"
#include "report/ReportJson.h"
#include "report/ReportModule.h"
#include "ui/AppServices.h"

#include <QDateTime>
#include <QString>
#include <filesystem>
#include <functional>

class QListWidget;
class QWidget;

namespace vexlin {
class SystemPage;
}

namespace vexlin::report {

// The windows whose texts the report copies.
struct ReportSources {
    const SystemPage* systemPage = nullptr;      // the main window's page "Система"
    const QListWidget* captureList = nullptr;    // the audio window's list of recording capabilities
    std::function<void(TestConditions&)> glInfo; // fills the performance window's OpenGL strings
};

struct ReportOutcome {
    bool saved = false;
    QString documentPath;
    QString jsonPath;
    bool opened = false;
};

// The user's documents folder, where reports are saved.
QString reportFolder();

// The report's file name without its extension: "Отчёт Vexlin 2026-12-09 05-55-13".
QString reportStem(const QDateTime& when);

ReportInputs gatherReportInputs(const ReportSources& sources, const results::ResultsStore& results);

// Writes the document and its JSON twin for what the windows show now, saves both under the folder and
// opens the document.  Tells the user through a message when it cannot save, when the report module at
// `moduleFile` cannot build the document (then nothing is saved), or when nothing opens the document.
ReportOutcome
generateReport(AppServices& services, const ReportSources& sources, QWidget* parent,
               const QString& folder = reportFolder(),
               const std::filesystem::path& moduleFile = platform::modulePath(kReportModuleFile));

} // namespace vexlin::report
