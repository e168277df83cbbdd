#pragma once

// The look every window of the desk is laid out for: the Fusion style and
// 9-point Arial (or its metric twin) as the default font, whatever the
// desktop's own settings. Call once, after the application object exists.
void applyDeskLook();
