#pragma once
// A cQuestions for tests: every question is recorded in Log, and each kind of
// question answers from its own queue. An empty queue gives the harmless
// answer (Cancel/No/OK, a cancelled dialog, "", "&No" for the overwrite box
// and the PNG offer) and counts the
// question in Unscripted, so a test can tell that it asked more than it
// planned for.

#include "SaveTexts.h"
#include "cQuestions.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <iterator>
#include <vector>

class cScriptedQuestions : public cQuestions {
  public:
    enum class eKind { MsgBox, OpenFiles, BrowseForFolder, Overwrite, PngOffer };

    struct cAsked {
        eKind Kind;
        QString Title;
        QString Text;        // message text; the filter for OpenFiles; the prompt
        QString StartFolder; // OpenFiles and BrowseForFolder
        eIcon Icon = eIcon::None;
        eButtons Buttons = eButtons::OK;
        bool NoIsDefault = false; // the overwrite box: Enter answers No
    };

    std::deque<eAnswer> MsgBoxAnswers;
    std::deque<cOpenResult> OpenAnswers;
    std::deque<QString> FolderAnswers;
    std::deque<int> OverwriteAnswers;
    std::deque<int> PngAnswers;

    std::vector<cAsked> Log;
    int Unscripted = 0;
    std::function<void()> WhileAsking; // runs while the overwrite box is up (mid-save)

    // Shorthand for an open dialog that returns names in one folder.
    static cOpenResult Chosen(const QString& sFolder, const QStringList& aNames) {
        return {cOpenResult::eOutcome::Chosen, sFolder, aNames};
    }

    // The asked questions of one kind, in order.
    std::vector<cAsked> Asked(eKind eWhich) const {
        std::vector<cAsked> found;
        std::copy_if(Log.begin(), Log.end(), std::back_inserter(found),
                     [eWhich](const cAsked& asked) { return asked.Kind == eWhich; });
        return found;
    }

    eAnswer MsgBox(const QString& sTitle, const QString& sText, eIcon eIconKind, eButtons eButtonSet) override {
        Log.push_back({eKind::MsgBox, sTitle, sText, {}, eIconKind, eButtonSet});
        return Next(MsgBoxAnswers, eButtonSet == eButtons::OK      ? eAnswer::OK
                                   : eButtonSet == eButtons::YesNo ? eAnswer::No
                                                                   : eAnswer::Cancel);
    }

    cOpenResult OpenFiles(const QString& sTitle, const QString& sFilter, const QString& sStartFolder) override {
        Log.push_back({eKind::OpenFiles, sTitle, sFilter, sStartFolder});
        return Next(OpenAnswers, cOpenResult{});
    }

    QString BrowseForFolder(const QString& sTitle, const QString& sStartFolder) override {
        Log.push_back({eKind::BrowseForFolder, sTitle, {}, sStartFolder});
        return Next(FolderAnswers, QString());
    }

    int ShowCustomMsgBox(const QString& sPrompt, bool bNoIsDefault) override {
        Log.push_back({eKind::Overwrite,
                       QStringLiteral("Overwrite Existing Images?"),
                       sPrompt,
                       {},
                       eIcon::Question,
                       eButtons::YesNo,
                       bNoIsDefault});
        if (WhileAsking)
            WhileAsking();
        return Next(OverwriteAnswers, kOverwriteNo);
    }

    int OfferPng(const QString& sFileName, const QString& sSourceExtension) override {
        Log.push_back({eKind::PngOffer,
                       kSaveErrorTitle,
                       PngOfferText(sFileName, sSourceExtension),
                       {},
                       eIcon::None,
                       eButtons::YesNo,
                       false});
        return Next(PngAnswers, kOverwriteNo);
    }

  private:
    template <typename T> T Next(std::deque<T>& aQueue, T oFallback) {
        if (aQueue.empty()) {
            ++Unscripted;
            return oFallback;
        }
        T answer = std::move(aQueue.front());
        aQueue.pop_front();
        return answer;
    }
};
