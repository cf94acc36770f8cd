#pragma once
// The toolbar buttons' hints in the status band. A hint stands in for the
// status text only while the pointer is over its button: the text it covered
// (a summary, the first-run prompt, or nothing) comes back when the pointer
// leaves, unless something else changed the status meanwhile. While held -
// a save is showing its progress - no hint is shown at all.

#include <QString>

class QLabel;

class cStatusHint {
  public:
    explicit cStatusHint(QLabel& oStatus) : mStatus(oStatus) {}

    void Show(const QString& sHint);
    void Hide();
    // Held: hints stay out of the status band; a hint showing goes now.
    void SetHeld(bool bHeld);

  private:
    QLabel& mStatus;
    QString mShown;   // the hint on show; "" when none
    QString mCovered; // the status text under it
    bool mCoveredVisible = false;
    bool mHeld = false;
};
