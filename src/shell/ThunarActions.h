#pragma once
// Thunar keeps its custom actions, the user's own among them, in one file,
// uca.xml. Ours are merged into it as text: the file is parsed to find where
// each <action> element lies, and only our elements (unique-id starting with
// "quillet-") are taken out or put in before </actions>, so every byte of
// the user's actions, comments and layout stays as it was.

#include <QByteArray>
#include <QString>

struct cThunarMerge {
    QByteArray Text; // the file's new content when Problem is ""
    QString Problem; // why the file was not changed: it does not parse
};

// sXml (a uca.xml, or "" for none) without our actions and, with aOurs not
// empty, with aOurs (whole <action> elements) added at the end of its list.
cThunarMerge MergeThunarActions(const QByteArray& sXml, const QByteArray& aOurs);

// Whether sXml holds actions other than ours.
bool HasOtherThunarActions(const QByteArray& sXml);
