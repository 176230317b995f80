#include "settings/mapping/tstrings.h"

#include "settings/stream/streamreader.h"
#include "settings/stream/streamwriter.h"

namespace lorvane {

void TStrings::DefineProperties(TFiler &filer)
{
    filer.DefineProperty(
        QStringLiteral("Strings"),
        [this](StreamReader &reader) {
            // Collected first, so a broken list leaves the lines as they were.
            QStringList read;
            reader.ReadListBegin();
            while (!reader.EndOfList())
                read.append(reader.ReadString());
            reader.ReadListEnd();
            setLines(read);
        },
        [this](StreamWriter &writer) {
            writer.WriteListBegin();
            for (const QString &line : lines())
                writer.WriteString(line);
            writer.WriteListEnd();
        },
        !lines().isEmpty());
}

} // namespace lorvane
