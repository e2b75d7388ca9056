#pragma once
// Everything the settings components take from the platform, made once at start-up and passed
// by reference to TIni, TCorvelIni, TSetting and the other service components: where the
// registry roots live (and where their problems are reported), the special folders, and the two
// shared roots settled by the start-up probe. It must outlive every component that uses it.
//
// The shared roots are written only by ProbeSharedRoots, which runs once on the user-interface
// thread before any other thread or window exists; they are read-only after that.

#include "platform/Registry.h"
#include "platform/SystemFolders.h"

#include <memory>

class TSettingsContext {
public:
    TSettingsContext(TRegistryFolders registryFolders, TSystemFolders systemFolders,
                     TRegistryConfig::TReporter report = {});
    TSettingsContext(const TSettingsContext&) = delete;
    TSettingsContext& operator=(const TSettingsContext&) = delete;

    // The program's context: folders from the environment (see Registry.h, SystemFolders.h).
    static std::unique_ptr<TSettingsContext> FromEnvironment(TRegistryConfig::TReporter report = {});

    TRegistryConfig& Registry() { return registry_; }
    const TRegistryConfig& Registry() const { return registry_; }
    const TSystemFolders& Folders() const { return folders_; }

    // HKEY_LOCAL_MACHINE (the tools menu's root) and HKEY_CLASSES_ROOT (the file association's)
    // while the process can write there, else HKEY_CURRENT_USER; as the probe left them.
    TRegistryRoot MachineRoot() const { return machineRoot_; }
    TRegistryRoot ClassesRoot() const { return classesRoot_; }

    // The start-up probe: for MachineRoot and then ClassesRoot, create "\Software\" and a test
    // key under it, check it, delete it; a root where any step fails becomes the current user.
    void ProbeSharedRoots();

private:
    TRegistryConfig registry_;
    TSystemFolders folders_;
    TRegistryRoot machineRoot_ = TRegistryRoot::localMachine;
    TRegistryRoot classesRoot_ = TRegistryRoot::classesRoot;
};

// Whether the process can create and delete a key in `root` (the probe's test on one root).
bool ProbeRootWritable(const TRegistryConfig& config, TRegistryRoot root);
