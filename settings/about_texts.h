#pragma once
// What the About sheet says about this program: the version line, the licence, the libraries it
// is built on, the release history and the contributors.
#include <QString>

// "<product>, Version a.b.c.d, Built <date> - <time>": the version's numbers, missing ones 0.
QString version_line(const QString& product, const QString& version, const QString& date, const QString& time);

// The line for this build.
QString this_version_line();

// The product's web page.
QString product_web_page();

QString rights_notice();
QString licence_text();
// One paragraph per library, each with its web address.
QString third_party_text();
// One paragraph per release, newest first.
QString change_list_text();
// The contributors' names on one line.
QString contributors_text();

// Plain text as rich text in which every web address is a link.
QString linked_html(const QString& plain);
