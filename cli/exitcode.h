#pragma once

// glassmere-reflect's exit status, one table for the single photo and the
// batch.
enum ExitCode
{
    Ok = 0,        // everything asked for was written
    FileError = 1, // a file could not be read, listed or written, or a picture failed
    UsageError = 2 // the request itself was refused before anything was written
};
