#pragma once

#include "ui/AppServices.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vexlin {

class DrivesGroup;
class InfoPicture;

// The main window's page "Система": processor, computer, drives, system and display groups.  The main window
// calls the hooks from its own creation, show, activation and clock-timer handlers.  The control texts are
// the page's only state; the report copies them.
class SystemPage : public QWidget {
    Q_OBJECT
public:
    SystemPage(AppServices& services, QWidget* parent = nullptr);

    void FormCreate();   // display modes
    void FormShow();     // partitions, then the processor text
    void FormActivate(); // everything else
    void Timer2Timer();  // one clock measurement for each of the two fields

    QGroupBox* GroupBox1 = nullptr;   // "Информация о экране и видеокарте"
    QGroupBox* GroupBox2 = nullptr;   // "Информация о системе"
    QGroupBox* GroupBox3 = nullptr;   // "Информация о процессоре"
    QGroupBox* GroupBox4 = nullptr;   // "Информация о компьютере"
    DrivesGroup* GroupBox5 = nullptr; // "Накопители"
    QPushButton* Button7 = nullptr;   // "Свойства: Экран ----> Параметры"
    QPushButton* Button8 = nullptr;   // "Установка и удаление программ"

    // Processor group.
    InfoPicture* img_info = nullptr;
    QListWidget* ListBox4 = nullptr; // hidden: the processor lines for the report
    QLabel* StaticText22 = nullptr;  // hidden: the measured clock as a plain number

    // System group.
    QLabel* Label1 = nullptr; // the operating system's name
    QLabel* StaticText12 = nullptr;
    QLabel* StaticText25 = nullptr;
    QLabel* StaticText11 = nullptr;
    QLabel* StaticText23 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* StaticText21 = nullptr;
    QLabel* StaticText20 = nullptr;

    // Computer group.
    QLabel* StaticText18 = nullptr;
    QLabel* StaticText19 = nullptr;
    QListWidget* ListBox3 = nullptr;
    QLabel* StaticText15 = nullptr;
    QLabel* StaticText13 = nullptr;
    QLabel* StaticText14 = nullptr;

    // Display group.
    QLabel* StaticText17 = nullptr;
    QLabel* StaticText16 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QListWidget* ListBox1 = nullptr;

private:
    void buildProcessorGroup();
    void buildComputerGroup();
    void buildSystemGroup();
    void buildDisplayGroup();

    AppServices& services_;
};

} // namespace vexlin
