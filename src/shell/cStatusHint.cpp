#include "cStatusHint.h"

#include <QLabel>

void cStatusHint::Show(const QString& sHint) {
    if (mHeld || sHint.isEmpty())
        return;
    if (mShown.isEmpty() || mStatus.text() != mShown) {
        mCovered = mStatus.text();
        mCoveredVisible = mStatus.isVisibleTo(mStatus.parentWidget());
    }
    mShown = sHint;
    mStatus.setText(sHint);
    mStatus.show();
}

void cStatusHint::Hide() {
    if (mShown.isEmpty())
        return;
    if (mStatus.text() == mShown) {
        mStatus.setText(mCovered);
        mStatus.setVisible(mCoveredVisible);
    }
    mShown.clear();
}

void cStatusHint::SetHeld(bool bHeld) {
    Hide();
    mHeld = bHeld;
}
