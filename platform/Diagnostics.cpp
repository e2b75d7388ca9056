#include "platform/Diagnostics.h"

#include <atomic>

namespace {

std::atomic<bool> verbose{false};

}  // namespace

bool VerboseDiagnostics() { return verbose.load(); }

void SetVerboseDiagnostics(bool on) { verbose.store(on); }
