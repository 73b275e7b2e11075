#include "ExtraFilters.h"

#include "TExtraOptions.h"
#include "TFilterLibrary.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"

#if __has_include("TBMPFilter.h")
#include "TBMPFilter.h"
#define HAVE_BMP_FILTER 1
#endif
#if __has_include("TJPEGFilter.h")
#include "TJPEGFilter.h"
#define HAVE_JPEG_FILTER 1
#endif
#if __has_include("TRTFFilter.h")
#include "TRTFFilter.h"
#define HAVE_RTF_FILTER 1
#endif
#if __has_include("THTMLFilter.h")
#include "THTMLFilter.h"
#define HAVE_HTML_FILTER 1
#endif
#if __has_include("TCSS2Filter.h")
#include "TCSS2Filter.h"
#define HAVE_CSS2_FILTER 1
#endif
#if __has_include("TPDFFilter.h")
#include "TPDFFilter.h"
#define HAVE_PDF_FILTER 1
#endif

namespace {

// The save dialog lists the filters in this order.
template <typename Action>
void ForEachExtraFilter(Action&& action)
{
    action(TFilterLibrary::Factory<TWK1Filter>(), QStringLiteral("TWK1Filter"));
    action(TFilterLibrary::Factory<TWQ1Filter>(), QStringLiteral("TWQ1Filter"));
    action(TFilterLibrary::Factory<TXLSFilter>(), QStringLiteral("TXLSFilter"));
#ifdef HAVE_BMP_FILTER
    action(TFilterLibrary::Factory<TBMPFilter>(), QStringLiteral("TBMPFilter"));
#endif
#ifdef HAVE_JPEG_FILTER
    action(TFilterLibrary::Factory<TJPEGFilter>(), QStringLiteral("TJPEGFilter"));
#endif
#ifdef HAVE_RTF_FILTER
    action(TFilterLibrary::Factory<TRTFFilter>(), QStringLiteral("TRTFFilter"));
#endif
#ifdef HAVE_HTML_FILTER
    action(TFilterLibrary::Factory<THTMLFilter>(), QStringLiteral("THTMLFilter"));
#endif
#ifdef HAVE_CSS2_FILTER
    action(TFilterLibrary::Factory<TCSS2Filter>(), QStringLiteral("TCSS2Filter"));
#endif
#ifdef HAVE_PDF_FILTER
    action(TFilterLibrary::Factory<TPDFFilter>(), QStringLiteral("TPDFFilter"));
#endif
}

template <typename T>
void SetRegistered(bool registered, const QString& className)
{
    if (registered)
        FilterLibrary().RegisterFilterClass(className, TFilterLibrary::Factory<T>());
    else
        FilterLibrary().UnregisterFilterClass(TFilterLibrary::Factory<T>());
}

} // namespace

void RegisterExtraFilters()
{
    ForEachExtraFilter([](const TFilterFactory& create, const QString& className) {
        FilterLibrary().RegisterFilterClass(className, create);
    });
}

void UnregisterExtraFilters()
{
    ForEachExtraFilter([](const TFilterFactory& create, const QString&) { FilterLibrary().UnregisterFilterClass(create); });
    FreeExtraOptions();
}

// The options' setters live here, beside the class list they share with the registration.
void TWK1FilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TWK1Filter>(active, QStringLiteral("TWK1Filter"));
}

void TWQ1FilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TWQ1Filter>(active, QStringLiteral("TWQ1Filter"));
}

void TXLSFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TXLSFilter>(active, QStringLiteral("TXLSFilter"));
}

void TBMPFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_BMP_FILTER
    SetRegistered<TBMPFilter>(active, QStringLiteral("TBMPFilter"));
#endif
}

void TJPEGFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_JPEG_FILTER
    SetRegistered<TJPEGFilter>(active, QStringLiteral("TJPEGFilter"));
#endif
}

void TRTFFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_RTF_FILTER
    SetRegistered<TRTFFilter>(active, QStringLiteral("TRTFFilter"));
#endif
}

void THTMLFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_HTML_FILTER
    SetRegistered<THTMLFilter>(active, QStringLiteral("THTMLFilter"));
#endif
}

void TCSS2FilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_CSS2_FILTER
    SetRegistered<TCSS2Filter>(active, QStringLiteral("TCSS2Filter"));
#endif
}

void TPDFFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
#ifdef HAVE_PDF_FILTER
    SetRegistered<TPDFFilter>(active, QStringLiteral("TPDFFilter"));
#endif
}
