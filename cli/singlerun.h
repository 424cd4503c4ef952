#pragma once

#include "batchrules.h"
#include "photoio.h"
#include "reflectionsettings.h"

#include <QString>

// glassmere-reflect's conversion of one photo.
struct SingleRequest
{
    QString input;
    QString output; // empty: named beside the photo by `naming`
    ReflectionSettings settings;
    qint64 memoryLimit = 0; // bytes
    OutputNaming naming;
    OutputSizes sizes;
    bool renames = false; // --suffix or --format was given
    WriteOptions writeOptions;
};

// Converts the photo, on the streamed road where it goes, and reports a
// failure as one line on standard error. Returns the exit status.
int runSingle(SingleRequest request);
