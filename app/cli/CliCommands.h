#pragma once
// The commands of tremax-cli, one definition each in its own file.

#include "CliCommon.h"

extern const TCliCommand kInfoCommand;
extern const TCliCommand kRenderCommand;
extern const TCliCommand kKymogramCommand;
extern const TCliCommand kMontageCommand;
extern const TCliCommand kWaveformCommand;
extern const TCliCommand kSpectrumCommand;
extern const TCliCommand kRowSpectraCommand;
extern const TCliCommand kColorizeCommand;
extern const TCliCommand kLegendCommand;
extern const TCliCommand kTrackCommand;
extern const TCliCommand kExportSmpCommand;
extern const TCliCommand kSmpInfoCommand;
extern const TCliCommand kGlottisCommand;
extern const TCliCommand kPvgCommand;
extern const TCliCommand kSoundInfoCommand;
extern const TCliCommand kF0Command;

// Every command, in the order the usage lists them.
const std::vector<const TCliCommand*>& AllCliCommands();
