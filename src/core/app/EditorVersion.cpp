#include "app/EditorVersion.h"

#include "BuildVersion.h"

QString GetEditorVersion()
{
    return QStringLiteral("%1.%2").arg(SOMBRANT_VERSION_MAJOR).arg(SOMBRANT_VERSION_MINOR);
}
