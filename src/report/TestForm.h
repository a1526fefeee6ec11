#pragma once

#include "report/FullTestSequencer.h"
#include "report/GenerateReport.h"
#include "report/TestWindows.h"
#include "ui/AppServices.h"
#include "ui/Form.h"

#include <QTimer>
#include <memory>

class QLabel;
class QPushButton;

namespace vexlin {

// The full test: runs the performance, keyboard, clock and audio tests in turn and writes the report.
class TTestForm : public Form {
    Q_OBJECT
public:
    TTestForm(AppServices& services, QWidget* parent = nullptr);

    // The windows the sequence runs, created after this one; until they are given nothing can start.
    struct TestWindows {
        TForm1* performance = nullptr;
        TFormKlava* keyboard = nullptr;
        TSoundForm* audio = nullptr;
        QLabel* clockNumber = nullptr;          // the main window's StaticText22
        const SystemPage* systemPage = nullptr; // the inventory the report copies
    };
    void useTestWindows(const TestWindows& windows);

    void FormShow() override;
    void FormClose() override;
    void Button1Click();
    void Button2Click();
    void Timer1Timer();

    const report::FullTestSequencer& sequencer() const { return *sequencer_; }
    // What the report copies from the windows, for the page "Итоги" to save the same report.
    const report::ReportSources& reportSources() const { return reportSources_; }

    QPushButton* Button1 = nullptr; // "Генерация отчета"
    QPushButton* Button2 = nullptr; // "Старт тестов(4)"
    QTimer* Timer1 = nullptr;

private:
    void restartTimerBeforeModal();

    AppServices& services_;
    MessageBoxAnnouncer messages_;
    PerformanceWindowLink performance_;
    KeyboardWindowLink keyboard_;
    AudioWindowLink audio_;
    ClockLink clock_;
    ReportButtonLink report_;
    report::ReportSources reportSources_;
    std::unique_ptr<report::FullTestSequencer> sequencer_;
};

} // namespace vexlin
