#pragma once

#include "batchrules.h"
#include "photoio.h"
#include "reflectionsettings.h"

#include <QtGlobal>

// glassmere-reflect's hidden worker mode: converts the pictures a
// WorkerPool sends on standard input, one at a time, until the input ends.
// Each picture goes to the files sizedOutputs() names for its output and
// `sizes`. Returns the exit status.
int runWorker(const ReflectionSettings &settings, qint64 memoryLimit, const WriteOptions &writeOptions,
              const OutputSizes &sizes);
