// Which block and hash code runs: the processor's AES and SHA instructions when it has them, or
// the portable code. The choice is made per call, so tests can run every case both ways.
#pragma once

namespace lc {

enum class CryptoImplementation {
    Auto,      // AES-NI and SHA-NI where the processor offers them
    Portable,  // plain C++ only
};

// Overrides the environment variable LCPORTABLE_FORCE_PORTABLE_CRYPTO (read once; "1" forces the
// portable code). Contexts keep the code they were keyed with.
void SetCryptoImplementation(CryptoImplementation implementation);
CryptoImplementation GetCryptoImplementation();

// True when the current choice and the processor allow the instruction set extensions.
bool UseAesNi();
bool UseShaNi();

}  // namespace lc
