#pragma once
#include <QByteArray>
#include <QString>

// Options of one filter. Setting Active registers the filter's class with FilterLibrary() (true) or
// removes it (false). The PDF writer's texts are code-page-1252 bytes, as it writes them; the page
// writers' titles and navigation labels are text, written in their pages' own way.
class TExtraFilterOptions
{
public:
    virtual ~TExtraFilterOptions() = default;
    bool Active() const { return m_active; }
    virtual void SetActive(bool active) { m_active = active; }

private:
    bool m_active = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

class THTMLFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
    QString PrevText = QStringLiteral("&lt&lt"); // markup, as the navigation line holds it
    QString NextText = QStringLiteral("&gt&gt");
    bool UseFileName = false;
    QString Title;
};

class TCSS2FilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
    QString PrevText = QStringLiteral("&lt&lt"); // markup, as the navigation line holds it
    QString NextText = QStringLiteral("&gt&gt");
    QString Title;
    bool UseFileName = false;
};

class TRTFFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
};

class TWK1FilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
};

class TWQ1FilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
};

class TXLSFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
};

class TBMPFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
    TPixelFormat PixelFormat = pf8bit;
    bool UseFileName = false;
};

class TJPEGFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
    TPixelFormat PixelFormat = pf8bit;
    bool UseFileName = false;
};

class TPDFFilterOptions : public TExtraFilterOptions
{
public:
    void SetActive(bool active) override;
    QByteArray Creator = QByteArrayLiteral("TExtraFilters");
    QByteArray Title;
    QByteArray Author = QByteArrayLiteral("TExtraFilters");
    QByteArray Keywords;
    QByteArray Subject;
};

// One options object per filter, created in this order.
class TExtraOptions
{
public:
    THTMLFilterOptions HTML;
    TCSS2FilterOptions CSS2;
    TRTFFilterOptions RTF;
    TPDFFilterOptions PDF;
    TWK1FilterOptions WK1;
    TXLSFilterOptions XLS;
    TWQ1FilterOptions WQ1;
    TBMPFilterOptions BMP;
    TJPEGFilterOptions JPEG;
};

// The process-wide options, created on first use.
TExtraOptions& ExtraOptions();
// Frees the options object; the next ExtraOptions() creates it afresh with the defaults.
void FreeExtraOptions();
