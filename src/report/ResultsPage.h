#pragma once

#include "report/GenerateReport.h"
#include "results/ResultsStore.h"

#include <QWidget>
#include <cstdint>
#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexlin {

// The main window's page "Итоги": the results this run has measured, grouped by what they test, each line
// with what was measured, the value and, where the test can judge it, a verdict with its sign.  Every text
// is shown whole: long values and verdicts wrap and their row grows, and the columns follow the width.
class ResultsPage : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPage(const results::ResultsStore& results, QWidget* parent = nullptr);

    // Fills the page again when the store has changed since the last time; cheap otherwise.
    void refresh();

    // Where "Сохранить отчёт" gets what the report copies from the other windows; the button waits for it.
    void useReport(AppServices& services, report::ReportSources sources);

    // A group's heading row, as opposed to a result's row.
    static bool isHeading(const QTreeWidgetItem& item);

    QLabel* StaticText1 = nullptr;    // said when nothing has been measured yet
    QTreeWidget* ListView1 = nullptr; // "Проверка", "Значение", "Вывод"
    QPushButton* Button20 = nullptr;  // "Сохранить отчёт"
    QPushButton* Button21 = nullptr;  // "Копировать"

    void Button20Click();
    void Button21Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    void fitColumnsToWidth();

    const results::ResultsStore& results_;
    std::optional<std::uint64_t> shownRevision_;
    AppServices* services_ = nullptr;
    report::ReportSources reportSources_;
};

} // namespace vexlin
