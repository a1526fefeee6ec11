#pragma once

#include "results/ResultsStore.h"

#include <QWidget>
#include <cstdint>
#include <optional>

class QLabel;
class QTreeWidget;

namespace vexlin {

// The main window's page "Итоги": one line per result this run has measured, in the order the tests
// reported them, with what was measured, the value and, where the test can judge it, a verdict.
class ResultsPage : public QWidget {
    Q_OBJECT
public:
    explicit ResultsPage(const results::ResultsStore& results, QWidget* parent = nullptr);

    // Fills the page again when the store has changed since the last time; cheap otherwise.
    void refresh();

    QLabel* StaticText1 = nullptr;    // said when nothing has been measured yet
    QTreeWidget* ListView1 = nullptr; // "Проверка", "Значение", "Вывод"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill();

    const results::ResultsStore& results_;
    std::optional<std::uint64_t> shownRevision_;
};

} // namespace vexlin
