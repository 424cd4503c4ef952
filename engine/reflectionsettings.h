#pragma once

// Colour handed to the renderer by value. Plain signed integers, not bytes:
// the colour fade does signed arithmetic on them. Each is 0..255.
struct _RGB
{
    int r = 255;
    int g = 255;
    int b = 255;
};

// Everything one rendering needs. The panel's sliders clamp every value into
// these ranges, so a gathered record is always inside them.
struct ReflectionSettings
{
    enum Direction
    {
        Top = 0,
        Bottom = 1,
        Left = 2,
        Right = 3
    };

    int direction = Bottom;   // 0 top, 1 bottom, 2 left, 3 right; anything else renders as right
    int size = 38;            // 0..100, percent of the (trimmed) extent along the reflecting axis
    int depth = 30;           // 0..100, percent of the reflection copied unfaded next to the picture
    int interval = 0;         // -80..100: a gap when positive, a trim of the picture when negative
    _RGB bgcolor;             // gap colour and the colour the reflection fades into
    bool transparent = false; // fade into transparency instead of bgcolor
    int opacity = 100;        // 0..100, the reflection's strength next to the picture
    int blur = 0;             // 0..100, how fast the reflection's blur grows with the distance
};
