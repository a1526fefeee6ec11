#pragma once

#include <QWidget>

#include "app/shared/AppServices.h"

class QGroupBox;
class QPushButton;
class QSplitter;

namespace vexlin {

// The main window's page "Система": processor, computer, system and display groups.  The main window calls
// the hooks from its own creation, show, activation and clock-timer handlers.
class SystemPage : public QWidget {
    Q_OBJECT
public:
    SystemPage(AppServices& services, QWidget* parent = nullptr);

    void FormCreate();   // display modes
    void FormShow();     // partitions, then the processor text
    void FormActivate(); // everything else
    void Timer2Timer();  // one clock measurement

    QGroupBox* GroupBox1 = nullptr; // "Информация о экране и видеокарте"
    QGroupBox* GroupBox2 = nullptr; // "Информация о системе"
    QGroupBox* GroupBox3 = nullptr; // "Информация о процессоре"
    QGroupBox* GroupBox4 = nullptr; // "Информация о компьютере"
    QPushButton* Button7 = nullptr; // "Свойства: Экран ----> Параметры"
    QPushButton* Button8 = nullptr; // "Установка и удаление программ"

private:
    AppServices& services_;
};

} // namespace vexlin
