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
#include "platform/SystemFacts.h"
#include "platform/ThermalSensors.h"
#include "platform/ThreadPriority.h"

#include <filesystem>
#include <memory>

namespace vexlin::platform {

// The back ends of this operating system.
std::unique_ptr<PowerSource> makePowerSource(const std::filesystem::path& sysfsRoot = "/");
std::unique_ptr<InstanceGuard> makeInstanceGuard();
std::unique_ptr<ThreadPriority> makeThreadPriority();
// Programs are started from `lane`, so they run at normal priority.
std::unique_ptr<ProgramLauncher> makeProgramLauncher(NormalPriorityLane& lane);
std::unique_ptr<KeyboardInfo> makeKeyboardInfo();
std::unique_ptr<SystemFacts> makeSystemFacts();
std::unique_ptr<DiskPartitions> makeDiskPartitions();
std::unique_ptr<DisplayInfo> makeDisplayInfo();
std::unique_ptr<Processor> makeProcessor();
std::unique_ptr<DocumentOpener> makeDocumentOpener(NormalPriorityLane& lane);
std::unique_ptr<RunEnvironment> makeRunEnvironment();
std::unique_ptr<BatteryHealth> makeBatteryHealth(const std::filesystem::path& sysfsRoot = "/");

// These read /sys below the root: "/" on a running system, a copied tree to look at another machine.
std::unique_ptr<ThermalSensors> makeThermalSensors(const std::filesystem::path& sysfsRoot = "/");

} // namespace vexlin::platform
