#include "settings/about_texts.h"

#include <QRegularExpression>
#include <QStringList>

#include "version.h"

namespace {

// "a.b.c.d" from a version of up to four numbers, the missing ones 0.
QString four_part_version(const QString& version) {
  const QStringList parts = version.split('.');
  QStringList numbers;
  for (int i = 0; i < 4; ++i) numbers << QString::number(i < parts.size() ? parts[i].toInt() : 0);
  return numbers.join('.');
}

}  // namespace

QString version_line(const QString& product, const QString& version, const QString& date, const QString& time) {
  return QString("%1, Version %2, Built %3 - %4").arg(product, four_part_version(version), date, time);
}

QString this_version_line() {
  return version_line(TESSARY_PRODUCT_NAME, TESSARY_VERSION_TEXT, TESSARY_BUILD_DATE, TESSARY_BUILD_CLOCK);
}

QString product_web_page() { return TESSARY_HOME_PAGE; }

QString rights_notice() { return "Copyright (C) The Tessary developers. All rights reserved."; }

QString licence_text() {
  return "Tessary is free software, published at " + product_web_page() +
         "\n\n"
         "Permission is hereby granted, free of charge, to any person obtaining a copy of this software "
         "and associated documentation files (the \"Software\"), to deal in the Software without "
         "restriction, including without limitation the rights to use, copy, modify, merge, publish, "
         "distribute, sublicense, and/or sell copies of the Software, and to permit persons to whom the "
         "Software is furnished to do so, subject to the following conditions:\n\n"
         "The above copyright notice and this permission notice shall be included in all copies or "
         "substantial portions of the Software.\n\n"
         "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING "
         "BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND "
         "NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, "
         "DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, "
         "OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.";
}

QString third_party_text() {
  return "Tessary is built on the following libraries, with thanks to their authors.\n\n"
         "Qt: the windows, dialogs and drawing. Copyright (C) The Qt Company Ltd. and other contributors. "
         "Used under the GNU Lesser General Public License version 3. https://www.qt.io/\n\n"
         "OpenSSL: the cryptography under the SSH2 sessions, and Base64. This product includes software "
         "developed by the OpenSSL Project for use in the OpenSSL Toolkit. Copyright (C) The OpenSSL "
         "Project Authors. Apache License 2.0. https://www.openssl.org/\n\n"
         "libssh2: the SSH2 and SFTP client. Copyright (C) 2004-2007 Sara Golemon, (C) 2005, 2006 "
         "Mikhail Gusarov, (C) 2006-2007 The Written Word, Inc., (C) 2007 Eli Fant, (C) 2009-2021 "
         "Daniel Stenberg, (C) 2008, 2009 Simon Josefsson, (C) 2000 Markus Friedl, (C) 2015 Microsoft "
         "Corp. All rights reserved. BSD 3-clause licence. https://libssh2.org/\n\n"
         "Lua: the language of the button templates. Copyright (C) 1994-2020 Lua.org, PUC-Rio. MIT "
         "licence. https://www.lua.org/\n\n"
         "libtelnet: the Telnet protocol. Sean Middleditch and contributors, dedicated to the public "
         "domain. https://github.com/seanmiddleditch/libtelnet";
}

QString change_list_text() {
  return QString("2026.12.10 - Tessary V%1 released\n\n").arg(four_part_version(TESSARY_VERSION_TEXT));
}

QString contributors_text() {
  return QString::fromUtf8("The Tessary developers\xEF\xBC\x8C" "everyone who reported a fault\xEF\xBC\x8C"
                           "everyone who sent a change");
}

QString linked_html(const QString& plain) {
  static const QRegularExpression address(R"(https?://[^\s<>"]+)");
  QString html;
  qsizetype from = 0;
  for (auto it = address.globalMatch(plain); it.hasNext();) {
    const QRegularExpressionMatch found = it.next();
    html += plain.mid(from, found.capturedStart() - from).toHtmlEscaped();
    // A full stop after an address ends the sentence, not the address.
    QString target = found.captured();
    while (target.endsWith('.') || target.endsWith(',')) target.chop(1);
    html += QString("<a href=\"%1\">%1</a>").arg(target.toHtmlEscaped());
    from = found.capturedStart() + target.size();
  }
  html += plain.mid(from).toHtmlEscaped();
  return "<p>" + html.replace("\n\n", "</p><p>").replace('\n', "<br>") + "</p>";
}
