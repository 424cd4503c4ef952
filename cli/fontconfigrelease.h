#pragma once

// Qt's offscreen platform, which the command line runs on, releases
// fontconfig's configuration on its way out, and loads that configuration
// first if nothing drew text: every font file's entry read only to be
// thrown away, a good part of a small photo's whole run. Declared after
// the application, so that it goes first, this hands the platform an empty
// configuration to release instead. Text drawn before (an SVG's) is not
// affected.
class FontconfigRelease
{
public:
    FontconfigRelease() = default;
    FontconfigRelease(const FontconfigRelease &) = delete;
    FontconfigRelease &operator=(const FontconfigRelease &) = delete;
    ~FontconfigRelease();
};
