#pragma once

#include "batchrules.h"
#include "reflectionsettings.h"

#include <QString>
#include <QStringList>

// glassmere-reflect's batch: many pictures into one folder, in several
// worker processes, by the same rules as the window's "all-at-once" tab.

struct BatchRequest
{
    QStringList inputs; // photos and folders, in the order given
    QString target;     // the folder the outputs go into
    ReflectionSettings settings;
    int jobs = 1;                // worker processes, each with one picture in memory at a time
    int timeoutSeconds = 60;     // a picture that takes longer fails
    qint64 memoryLimit = 0;      // bytes, shared by all workers
    QString workerProgram;       // started with workerArguments for each job slot
    QStringList workerArguments; // the settings, as options
    bool recursive = false;      // folders with their subfolders, the tree kept under the target
    OutputNaming naming;         // suffix and format of the outputs' names
    OutputSizes sizes;           // the widths each picture is written at
    bool overwrite = false;      // replace outputs that exist instead of keeping them
};

// True when the arguments ask for a batch rather than one photo into one
// file: several inputs, a folder among them, or an output that ends with a
// separator. An existing folder named as the output of a single photo is
// not enough, so `photo.jpg -o name` keeps meaning "write the file name".
bool isBatchRequest(const QStringList &inputs, const QString &output);

// Converts every picture and reports on standard error (each failure, and a
// progress line when it is a terminal) and standard output (the summary).
// An output that exists is kept and its picture failed, unless `overwrite`;
// sources that share an output name all fail and none is written.
// Returns the exit status: 0 all converted; 1 any picture failed, an input
// folder cannot be listed or the output folder does not exist; 2 the
// request was refused before anything was written.
int runBatch(const BatchRequest &request);
