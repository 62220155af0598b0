// A dialog service that answers from a script instead of a person, and keeps
// every question it was asked so that a test can check the texts.
#pragma once

#include "ide/DialogService.h"

#include <gtest/gtest.h>

#include <deque>
#include <variant>
#include <vector>

namespace zk::ide::test {

struct TAskedQuestion {
    enum class TKind { Message, OpenFile, SaveFile, InputText, Choice } Kind;
    QString Caption;          // a message's caption, a file dialog's or input box's title
    QString Text;             // a message's text, an input box's prompt, a file dialog's filter
    QStringList Buttons = {}; // a choice's buttons, then its check box
};

class TAnsweringDialogs final : public TDialogService {
public:
    // Queued replies, taken in order: an answer to a message box, a path (empty
    // = cancel) for a file dialog, a text (nullopt = cancel) for an input box,
    // or the button and the check box of a choice.
    using TReply = std::variant<TAnswer, QString, std::optional<QString>, TChoice>;
    std::deque<TReply> Replies;
    std::vector<TAskedQuestion> Asked;

    void Answer(TAnswer answer) { Replies.emplace_back(answer); }
    void ChooseFile(const QString& path) { Replies.emplace_back(path); }
    void Type(std::optional<QString> text) { Replies.emplace_back(std::move(text)); }
    void Pick(int button, bool checked = false) { Replies.emplace_back(TChoice{button, checked}); }

    // The texts of the message boxes shown so far.
    std::vector<QString> MessageTexts() const {
        std::vector<QString> texts;
        for (const auto& q : Asked)
            if (q.Kind == TAskedQuestion::TKind::Message) texts.push_back(q.Text);
        return texts;
    }

    TAnswer Message(QWidget*, const QString& caption, const QString& text, TMessageIcon,
                    TMessageButtons buttons) override {
        Asked.push_back({TAskedQuestion::TKind::Message, caption, text});
        if (buttons == TMessageButtons::Ok && !NextIs<TAnswer>()) return TAnswer::Ok;
        return Take<TAnswer>(TAnswer::Cancel, text);
    }
    QString OpenFile(QWidget*, const TFileRequest& request) override {
        Asked.push_back({TAskedQuestion::TKind::OpenFile, request.Title, request.Filter});
        return Take<QString>(QString(), request.Filter);
    }
    // The filter a file dialog with a choice of filters answers; its first
    // one when empty.
    QString Filter;

    QString SaveFile(QWidget*, const TFileRequest& request) override {
        Asked.push_back({TAskedQuestion::TKind::SaveFile, request.Title, request.Filter});
        if (request.ChosenFilter && !Filter.isEmpty()) *request.ChosenFilter = Filter;
        return Take<QString>(QString(), request.Filter);
    }
    std::optional<QString> InputText(QWidget*, const QString& caption, const QString& prompt,
                                     const QString&) override {
        Asked.push_back({TAskedQuestion::TKind::InputText, caption, prompt});
        return Take<std::optional<QString>>(std::nullopt, prompt);
    }

    TChoice Choose(QWidget*, const TChoiceRequest& request) override {
        Asked.push_back({TAskedQuestion::TKind::Choice, request.Caption, request.Text,
                         request.Buttons + QStringList{request.CheckBox}});
        return Take<TChoice>({request.EscapeButton, false}, request.Text);
    }

private:
    template <typename T> bool NextIs() const {
        return !Replies.empty() && std::holds_alternative<T>(Replies.front());
    }
    // A question without a fitting reply fails the test and is cancelled, so a
    // window never waits for a person who is not there.
    template <typename T> T Take(T cancelled, const QString& about) {
        if (!NextIs<T>()) {
            ADD_FAILURE() << "no scripted reply for: " << about.toStdString();
            return cancelled;
        }
        T reply = std::get<T>(Replies.front());
        Replies.pop_front();
        return reply;
    }
};

} // namespace zk::ide::test
