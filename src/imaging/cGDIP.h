#pragma once
/*
 * cGDIP - one instance of the imaging library: starts it on creation, shuts
 * it down on destruction, holds the table of encoders and turns statuses into
 * words. Bitmaps and graphics objects whose gdip member points here report
 * their failures through Error(), which emits the Error signal synchronously.
 */

#include "gp_flat.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <cstdint>
#include <optional>

class cGDIP : public QObject {
    Q_OBJECT

  public:
    /* Starts the library and loads the encoder table. A failed start-up is
     * silent: the instance then has no encoders (ExtensionExists gives -1). */
    explicit cGDIP(QObject* parent = nullptr);
    ~cGDIP() override;

    cGDIP(const cGDIP&) = delete;
    cGDIP& operator=(const cGDIP&) = delete;

    /* Emits the Error signal with the text for lGdiError; returns an empty
     * value. Nothing is shown by the instance itself. */
    QVariant Error(int32_t lGdiError, const QString& sClassName);

    /* Index of the encoder that claims the pattern sKey ("*.gif"; letter case
     * does not matter), or -1. */
    int32_t ExtensionExists(const QString& sKey) const;

    /* Class id of encoder lIndex (an index from ExtensionExists). An index
     * out of range gives the all-zero GUID, which no encoder has, so a save
     * with it fails cleanly. */
    CLSID EncoderClsid(int32_t lIndex) const;

    /* Class id of the encoder of the format whose code is sCode (the format
     * table's key, gp_formats.h: "JPG", "PNG"; letter case does not matter);
     * none when no encoder writes it. The program picks its encoders by this. */
    std::optional<CLSID> FormatEncoder(const QString& sCode) const;
    /* Parses the braced 38-character form of a GUID; malformed text gives the
     * all-zero GUID. */
    static GUID StringToGuid(const QString& sGuid);

    /* The wrappers' status check: stores status in lCurErr (0 for Ok) and
     * reports a failure to gdip, when set, under sClassName. Returns lCurErr. */
    static int32_t ReportStatus(cGDIP* gdip, GpStatus status, int32_t& lCurErr, const QString& sClassName);

    /* Text of a status code; "Unknown GDI+ Error" for 0 and unknown codes. */
    static QString ErrorDescription(int32_t lGdiError);

    /* Helper for connect(): the Error signal, disambiguated from the Error
     * method of the same name. */
    static constexpr auto ErrorSignal() {
        return static_cast<void (cGDIP::*)(int32_t, const QString&, const QString&)>(&cGDIP::Error);
    }

  signals:
    /* A failure of an object connected to this instance, delivered before the
     * failing call returns. */
    void Error(int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName);

  protected:
    /* Adds each pattern of sList (split at sDelimiter) to the extension index
     * under lIndex; only the last pattern is trimmed of spaces. */
    void AddExtensions(const QString& sList, const QString& sDelimiter, int32_t lIndex);

  private:
    void LoadEncoders();

    uintptr_t mToken = 0;
    QVector<CLSID> mEncoders;
    /* Keys are stored upper-cased so that lookups ignore letter case. */
    QHash<QString, int32_t> mExtensions;
    /* Format codes, upper-cased, to encoder indexes. */
    QHash<QString, int32_t> mFormats;
};
