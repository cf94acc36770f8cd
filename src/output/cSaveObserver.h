#pragma once
// How a batch save reports its progress and lets its host stay alive. The
// window repaints its status band and processes pending events; the batch
// command prints the percentage; tests record the calls. Every method has a
// do-nothing default.

#include <QString>

class cSaveObserver {
  public:
    virtual ~cSaveObserver() = default;

    // A fixed point of the run where pending window events may run: after a
    // successful load, after a rotation, after the source is released and
    // after every progress update.
    virtual void ProcessEvents() {}

    // After every entry: sngFraction (0..1) of the entries now in the list
    // are done (an entry that failed to load and left the list is not
    // counted); sCaption is the status text "Saving (n%)  d of N".
    virtual void Progress(double sngFraction, const QString& sCaption) {
        (void)sngFraction;
        (void)sCaption;
    }

    // What the decoding libraries printed while reading sFileName (lines
    // ending in '\n'), before the entry's outcome is reported.
    virtual void DecoderMessages(const QString& sFileName, const QString& sMessages) {
        (void)sFileName;
        (void)sMessages;
    }

    // Asked after every entry: true ends the run before the next entry.
    virtual bool StopRequested() { return false; }
};
