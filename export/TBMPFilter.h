#pragma once
// Saves every page as a Windows bitmap (8 bits per pixel unless the options say otherwise), or as a
// JPEG when the chosen name ends in .jpg or .jpeg; any other extension saves no images.
#include "TPageImageFilter.h"

class TBMPFilter : public TPageImageFilter
{
public:
    explicit TBMPFilter(const QString& fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

protected:
    bool UseFileName() const override;
    TPageEncoding PageEncoding() const override;
};
