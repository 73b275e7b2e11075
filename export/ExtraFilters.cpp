#include "ExtraFilters.h"

#include "TBMPFilter.h"
#include "TCSS2Filter.h"
#include "TExtraOptions.h"
#include "TFilterLibrary.h"
#include "THTMLFilter.h"
#include "TJPEGFilter.h"
#include "TPDFFilter.h"
#include "TRTFFilter.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"

namespace {

// The save dialog lists the filters in this order.
template <typename Action>
void ForEachExtraFilter(Action&& action)
{
    action(TFilterLibrary::Factory<TWK1Filter>(), QStringLiteral("TWK1Filter"));
    action(TFilterLibrary::Factory<TWQ1Filter>(), QStringLiteral("TWQ1Filter"));
    action(TFilterLibrary::Factory<TXLSFilter>(), QStringLiteral("TXLSFilter"));
    action(TFilterLibrary::Factory<TBMPFilter>(), QStringLiteral("TBMPFilter"));
    action(TFilterLibrary::Factory<TJPEGFilter>(), QStringLiteral("TJPEGFilter"));
    action(TFilterLibrary::Factory<TRTFFilter>(), QStringLiteral("TRTFFilter"));
    action(TFilterLibrary::Factory<THTMLFilter>(), QStringLiteral("THTMLFilter"));
    action(TFilterLibrary::Factory<TCSS2Filter>(), QStringLiteral("TCSS2Filter"));
    action(TFilterLibrary::Factory<TPDFFilter>(), QStringLiteral("TPDFFilter"));
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
    SetRegistered<TBMPFilter>(active, QStringLiteral("TBMPFilter"));
}

void TJPEGFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TJPEGFilter>(active, QStringLiteral("TJPEGFilter"));
}

void TRTFFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TRTFFilter>(active, QStringLiteral("TRTFFilter"));
}

void THTMLFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<THTMLFilter>(active, QStringLiteral("THTMLFilter"));
}

void TCSS2FilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TCSS2Filter>(active, QStringLiteral("TCSS2Filter"));
}

void TPDFFilterOptions::SetActive(bool active)
{
    TExtraFilterOptions::SetActive(active);
    SetRegistered<TPDFFilter>(active, QStringLiteral("TPDFFilter"));
}
