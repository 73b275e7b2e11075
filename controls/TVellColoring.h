#pragma once
// The nine colour sets a calendar day, its text lines and its number can refer to by index (1..9);
// index 0 means "no set" and reads as black.
#include <QColor>
#include <array>

class TVellColoring
{
public:
    static constexpr int Count = 9;

    TVellColoring();

    // index 1..9; other indices read black and are ignored on write.
    QColor ColorSet(int index) const;
    void SetColorSet(int index, const QColor& color);
    // 0 gives black, 1..9 the sets; indices above 9 are not valid and read black with a warning.
    QColor ColorSetColor(int index) const;

    bool operator==(const TVellColoring& other) const = default;

private:
    std::array<QColor, Count> m_colors;
};
