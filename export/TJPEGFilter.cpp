#include "TJPEGFilter.h"

TJPEGFilter::TJPEGFilter(const QString& fileName)
    : TPageImageFilter(fileName)
{
}

QString TJPEGFilter::Description() const
{
    return DisplayName();
}

QString TJPEGFilter::FileExtension() const
{
    return QStringLiteral("JPG");
}

QString TJPEGFilter::DisplayName() const
{
    return QStringLiteral("JPEG File");
}

bool TJPEGFilter::UseFileName() const
{
    return ExtraOptions().JPEG.UseFileName;
}

// The page is compressed from its 32-bit colours: reducing it to a palette first would only lose
// detail the JPEG keeps anyway.
TPageImageFilter::TPageEncoding TJPEGFilter::PageEncoding() const
{
    return EncodeJpeg;
}
