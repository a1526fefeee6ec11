#pragma once

#include "platform/BatteryHealth.h"
#include "platform/DiskPartitions.h"
#include "platform/DisplayInfo.h"
#include "platform/DocumentOpener.h"
#include "platform/InstanceGuard.h"
#include "platform/KeyboardInfo.h"
#include "platform/NormalPriorityLane.h"
#include "platform/PowerSource.h"
#include "platform/Processor.h"
#include "platform/ProgramLauncher.h"
#include "platform/RunEnvironment.h"
#include "platform/SoundService.h"
#include "platform/SystemFacts.h"
#include "platform/ThermalSensors.h"
#include "platform/ThreadPriority.h"
#include "results/ResultsStore.h"

#include <filesystem>
#include <memory>

namespace vexlin {

class ClockTimerSwitch;

// What the windows need of the system, handed to them at creation so a test can pass fakes.
struct AppServices {
    // Created before the user-interface thread goes idle; threads and programs that must run at normal
    // priority are started from it.  First, so that it outlives everything that uses it.
    std::unique_ptr<platform::NormalPriorityLane> lane;
    // Capture, music and the self-test's tone, on a normal-priority thread of their own.  Set at start-up
    // (the audio window makes its own when it is not).
    std::unique_ptr<audio::SoundService> sound;
    std::unique_ptr<platform::PowerSource> power;
    std::unique_ptr<platform::ProgramLauncher> launcher;
    std::unique_ptr<platform::ThreadPriority> priority;
    // Keyboard test: the keyboard type of the caption.
    std::unique_ptr<platform::KeyboardInfo> keyboard;
    // System page: inventory, partitions, adapters and modes, CPUID and the time-stamp counter.
    std::unique_ptr<platform::SystemFacts> system;
    std::unique_ptr<platform::DiskPartitions> partitions;
    std::unique_ptr<platform::DisplayInfo> display;
    std::unique_ptr<platform::Processor> processor;
    // The report: the program that opens the document, and the conditions its twin file records.
    std::unique_ptr<platform::DocumentOpener> documents;
    std::unique_ptr<platform::RunEnvironment> environment;
    // Battery health: identity, capacities and the readings the capacity measurement folds in.
    std::unique_ptr<platform::BatteryHealth> batteryHealth;
    // Temperatures, fans, clocks and throttle counters, watched while the performance and clock tests run.
    std::unique_ptr<platform::ThermalSensors> thermal;

    // Every result of this run: the tests write here; the page "Итоги", the report and the JSON read it.
    results::ResultsStore results;

    // Where /sys is read: "/" on a running system, a copied tree to look at another machine's drives.
    std::filesystem::path sysfsRoot = "/";

    // Set once the main window exists; the test windows resume the clock measurement through it.
    ClockTimerSwitch* clock = nullptr;

    // sysfsRoot: where /sys is read (a copied tree for a look at another machine's sensors).
    static AppServices forThisSystem(const std::filesystem::path& sysfsRoot = "/");
};

} // namespace vexlin
