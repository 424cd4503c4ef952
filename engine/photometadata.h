#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>

// The information a camera stores beside the pixels (EXIF: camera, lens,
// date, exposure, location, copyright, description) and the photo's colour
// profile, carried from a photo into the pictures made from it.
//
// Read once from the photo, kept beside the loaded picture, and applied to
// the encoded bytes of an output before they are committed, so a written
// file is complete the moment it appears. Every call catches whatever the
// metadata library throws; nothing here ever fails a write.

enum class MetadataPolicy
{
    Keep,     // everything listed above
    StripGps, // everything but the location
    StripAll  // nothing: the output stays as the image writer made it
};

class PhotoMetadata
{
public:
    // Empty: applying it changes nothing.
    PhotoMetadata();

    // What the photo at `path` carries. A file without metadata or in a
    // format the library does not know gives an empty value without a
    // warning; a damaged one gives an empty value and, in `warning`, why.
    static PhotoMetadata read(const QString &path, QString *warning = nullptr);

    // True when there is neither EXIF nor a colour profile to carry.
    bool isEmpty() const;

    // `encoded` (a complete JPEG, PNG, TIFF or WebP file as an image writer made
    // it) with this metadata written in, the orientation set to upright (the
    // pixels were turned on reading) and no thumbnail (it would show the
    // photo without its reflection). Returns `encoded` itself when there is
    // nothing to write, when the policy strips everything, when the format
    // cannot hold metadata, or, with the reason in `warning`, when writing
    // it fails. Safe to call from several threads at once.
    QByteArray applyTo(const QByteArray &encoded, MetadataPolicy policy, QString *warning = nullptr) const;

    // What applyTo() would write, for a writer that takes the blocks itself
    // (AVIF): the EXIF as a TIFF structure, for an output of `size`, and the
    // colour profile. Both empty where there is nothing to write or the
    // policy strips everything; the EXIF also, with the reason in
    // `warning`, where it cannot be encoded.
    struct Blocks
    {
        QByteArray exif;
        QByteArray icc;
    };
    Blocks blocksFor(const QSize &size, MetadataPolicy policy, QString *warning = nullptr) const;

private:
    struct Data;
    std::shared_ptr<const Data> d; // immutable, so copies share it
};
