#pragma once
// Whether the libraries' own diagnostics are wanted: FFmpeg's log lines ("[mjpeg @ 0x…] No JPEG
// data found") say nothing a user can act on, and the program reports every failure itself, so
// they stay quiet unless the program was started with --verbose. Any thread.

bool VerboseDiagnostics();
void SetVerboseDiagnostics(bool on);
