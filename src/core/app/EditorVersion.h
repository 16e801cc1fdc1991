#pragma once

#include <QString>

// The editor's own version: the major and minor number of the version this
// build was stamped with, joined by a point ("1.0").
QString GetEditorVersion();
