#pragma once
// Saves every page as a JPEG file compressed with the library's default settings.
#include "TPageImageFilter.h"

class TJPEGFilter : public TPageImageFilter
{
public:
    explicit TJPEGFilter(const QString& fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

protected:
    bool UseFileName() const override;
    TPageEncoding PageEncoding() const override;
};
