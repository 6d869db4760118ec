#pragma once

namespace talbrix {

// Gives the application the look the window's fixed layout was measured
// with: the embedded Liberation Sans at 10 logical pixels as the default
// font (so every caption fits its rectangle on any machine, with or without
// fonts installed), and the Fusion style with the slider behaviour pinned.
// Safe to call more than once; only the first call changes anything.
void applyApplicationLook();

} // namespace talbrix
