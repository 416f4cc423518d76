#pragma once

#include <QString>

// The HTML pages of the simulated tracking sites and the maker's site.
namespace SimPages {

enum class Site { Default, Backup1, Backup2 };

struct PageFaults {
    bool withoutForm = false;  // the site has no page for the slug: neither field nor button
    bool withoutField = false; // the number field is missing from the page
    bool clickFails = false;   // a click writes no record (for faultNumber only, when set)
    QString faultNumber;       // empty: clickFails holds for every number
};

// The tracking page of a carrier slug. Its button's click reads the number
// field and writes the number's record between the site's marker lines.
QString trackingPage(Site site, const QString &slug, const PageFaults &faults);

// Whether the site has a tracking page for the carrier slug. The sites' own
// lists, kept apart from the program's catalogue so that a wrong slug in the
// catalogue shows up as a page without a form.
bool siteKnows(Site site, const QString &slug);

QString startPage();

} // namespace SimPages
