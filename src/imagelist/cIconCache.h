#pragma once
// File icons for the image list, looked up once per extension. The desktop's
// icon look-up reads MIME data and icon themes and is far too slow to repeat
// for thousands of files that share a handful of extensions.

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>

class cIconCache {
  public:
    // The icon of sPath's file type (by its lower-case extension; files
    // without an extension share one entry).
    QIcon IconFor(const QString& sPath);

  private:
    QFileIconProvider mProvider;
    QHash<QString, QIcon> mIcons;
};
