// The call that restores the view after a texture synthesis. The application
// installs its reshape callback at start-up; fur/ never includes app/ for it.
#pragma once

using ViewRestorer = void (*)(int width, int height);

// nullptr (the default) means the synthesis restores nothing.
void setViewRestorer(ViewRestorer restore);

// Called by the synthesis with (0, 0), where the view must be restored.
void restoreView();
