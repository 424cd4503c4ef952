#pragma once

#include <QIntValidator>

// An integer validator that refuses a keystroke taking the number out of
// its range for good. Qt 6's QIntValidator lets "101" stand as intermediate
// input for 0..100 (and then emits nothing on Return), so the box would
// show a number the slider never takes; refusing it keeps the text a value
// the panel can hold. Ranges here always include 0, so a number outside
// them cannot come back in range by typing more digits.
class RangeValidator : public QIntValidator
{
public:
    RangeValidator(int bottom, int top, QObject *parent) : QIntValidator(bottom, top, parent) {}

    State validate(QString &input, int &pos) const override
    {
        const State state = QIntValidator::validate(input, pos);
        if (state != Intermediate)
            return state;
        bool ok = false;
        const int value = input.toInt(&ok, 10);
        return ok && (value > top() || value < bottom()) ? Invalid : state;
    }
};
