// A second process for the registry tests.
//   RegistryHelper write FOLDER PREFIX COUNT   COUNT transactions on the user root, each storing
//                                              PREFIX<i> = i and adding 1 to "Count", in key "Stress"
//   RegistryHelper die FOLDER                  starts writing "Victim" = "new" and is killed
//                                              after its new file is written, before the rename
#include "platform/Registry.h"

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    TRegistryConfig config(TRegistryFolders{QString::fromLocal8Bit(argv[2]), {}, {}});
    config.SetSyncToDisk(false);  // the rename is what other processes see
    TRegistry registry(config, TRegistryRoot::currentUser);
    try {
        if (std::strcmp(argv[1], "write") == 0 && argc == 5) {
            const QString prefix = QString::fromLocal8Bit(argv[3]);
            const int count = std::atoi(argv[4]);
            for (int i = 0; i < count; ++i) {
                registry.Update([&](TRegistryKey& root) {
                    TRegistryKey& key = root.FindOrAdd(QStringLiteral("Stress"));
                    const TRegistryValue* counter = key.Value(QStringLiteral("Count"));
                    const uint32_t n = counter ? counter->Number + 1 : 1;
                    key.SetValue({QStringLiteral("Count"), TRegistryValueType::number, {}, n});
                    key.SetValue({prefix + QString::number(i), TRegistryValueType::number, {}, uint32_t(i)});
                    return true;
                });
            }
            return 0;
        }
        if (std::strcmp(argv[1], "die") == 0) {
            config.SetBeforeReplaceHook([] { std::raise(SIGKILL); });
            registry.WriteString(QStringLiteral("Stress"), QStringLiteral("Victim"), QStringLiteral("new"));
            return 0;
        }
    } catch (const EError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
