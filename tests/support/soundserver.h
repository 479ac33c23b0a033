#pragma once

// Tests run with a fresh HOME, where the PulseAudio client library no longer
// finds the socket of a per-user daemon (it looks under ~/.config/pulse when
// XDG_RUNTIME_DIR is unset). This points it at the daemon of the account's real
// home through PULSE_SERVER, unless PULSE_SERVER is set already. Call it before
// the first use of Qt Multimedia's devices. Returns whether a socket was found.
bool findUserSoundServer();
