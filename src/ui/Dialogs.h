#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace vexlin {

// Every message box of the program goes through here, so that tests record messages instead of blocking.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~Dialogs() = default;
    // A modal box with one OK button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
};

// The dialogs in use: real message boxes unless a test installed others.
Dialogs& dialogs();
// Installs a replacement (not owned); nullptr goes back to real message boxes.
void setDialogs(Dialogs* replacement);

// Keeps every message instead of showing it.
class RecordingDialogs final : public Dialogs {
public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
    };

    void message(QWidget* parent, const QString& caption, const QString& text, Icon icon) override;
    std::vector<Shown> shown;
};

// Installs a RecordingDialogs for the life of a scope.
class ScopedRecordingDialogs {
public:
    ScopedRecordingDialogs() { setDialogs(&recorder); }
    ~ScopedRecordingDialogs() { setDialogs(nullptr); }
    ScopedRecordingDialogs(const ScopedRecordingDialogs&) = delete;
    ScopedRecordingDialogs& operator=(const ScopedRecordingDialogs&) = delete;
    const std::vector<RecordingDialogs::Shown>& shown() const { return recorder.shown; }

    RecordingDialogs recorder;
};

} // namespace vexlin
