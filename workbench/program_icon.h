// The program's icon for its windows, from PNG renderings of data/qv3.svg
// built into the program (scripts/render-icons makes them): a PNG needs no
// image plugin, an SVG would need the optional Qt SVG plugin at run time.
#pragma once

#include <QIcon>

QIcon ProgramIcon();
