#pragma once

// One reference per window, created once at start-up in this order and kept for the whole run.
namespace vexlin {

class TMainForm;
class TOptionsForm;
class TAboutForm;
class TFormKlava;
class TMonitorForm;
class TSoundForm;
class TForm1;
class TTestForm;

inline TMainForm* MainForm = nullptr;
inline TOptionsForm* OptionsForm = nullptr;
inline TAboutForm* AboutForm = nullptr;
inline TFormKlava* FormKlava = nullptr;
inline TMonitorForm* MonitorForm = nullptr;
inline TSoundForm* SoundForm = nullptr;
inline TForm1* Form1 = nullptr;
inline TTestForm* TestForm = nullptr;

} // namespace vexlin
