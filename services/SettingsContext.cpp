#include "services/SettingsContext.h"

namespace {

const QString kProbeParent = QStringLiteral("\\Software\\");
const QString kProbeKey = QStringLiteral("\\Software\\VarnikXII13425843592");

}  // namespace

TSettingsContext::TSettingsContext(TRegistryFolders registryFolders, TSystemFolders systemFolders,
                                   TRegistryConfig::TReporter report)
    : registry_(std::move(registryFolders), std::move(report)), folders_(std::move(systemFolders))
{
}

std::unique_ptr<TSettingsContext> TSettingsContext::FromEnvironment(TRegistryConfig::TReporter report)
{
    return std::make_unique<TSettingsContext>(TRegistryFolders::FromEnvironment(), TSystemFolders::FromEnvironment(),
                                              std::move(report));
}

bool ProbeRootWritable(const TRegistryConfig& config, TRegistryRoot root)
{
    TRegistry registry(config, root);
    try {
        registry.CreateKey(kProbeParent);
        registry.CreateKey(kProbeKey);
        const bool exists = registry.KeyExists(kProbeKey);
        registry.DeleteKey(kProbeKey);
        return exists;
    } catch (const EError&) {
        return false;
    }
}

void TSettingsContext::ProbeSharedRoots()
{
    if (!ProbeRootWritable(registry_, machineRoot_))
        machineRoot_ = TRegistryRoot::currentUser;
    if (!ProbeRootWritable(registry_, classesRoot_))
        classesRoot_ = TRegistryRoot::currentUser;
}
