// The control panel's rebuilds bound to the fur subsystem: what the program
// installs in panelRebuilds, in a library of its own so that tests install
// exactly the same with a GL context but without the panel's window.
#pragma once

// A colour recolours the fin and shell textures at once; a new shell count
// is rebuilt by the next frame; "Fin Density", a new patch and the lighting
// exponents rebuild what they rebuild in the callback.
void installFurRebuilds();
