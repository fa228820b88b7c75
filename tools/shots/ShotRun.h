#pragma once

// The screenshot tools' common run: "--screenshot <prefix>" saves every state as
// "<prefix>-<state>.png" and quits; without it the first state is shown until the window closes.

#include <QApplication>
#include <QCommandLineParser>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <iterator>

namespace shots {

struct Options {
    bool screenshot = false;
    QString prefix;
};

/// Reads the command line of `app` (with --help).
inline Options parseOptions(QApplication& app) {
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save <prefix>-<state>.png for every state and quit."),
        QStringLiteral("prefix"));
    parser.addOption(screenshot);
    parser.process(app);
    return {parser.isSet(screenshot), parser.value(screenshot)};
}

/// Shows the states in turn: `show(state)` answers the state's widget (a smart pointer), whose
/// own grab is saved under the state's `name`, then `done(widget)` runs before the next. Without
/// a screenshot only the first state is shown, and the event loop runs. Answers the exit code;
/// `tool` names the messages.
template <typename States, typename Show, typename Done>
int run(const char* tool, const Options& options, const States& states, Show show, Done done) {
    int result = 0;
    if (!options.screenshot) {
        auto widget = show(*std::begin(states));
        result = QApplication::exec();
        done(*widget);
        return result;
    }
    for (const auto& state : states) {
        auto widget = show(state);
        const QString path =
            options.prefix + QLatin1Char('-') + QLatin1String(state.name) + QStringLiteral(".png");
        if (!widget->grab().save(path)) {
            std::fprintf(stderr, "%s: could not save %s\n", tool, qPrintable(path));
            result = 1;
        }
        done(*widget);
    }
    return result;
}

/// The same without a step after each state.
template <typename States, typename Show>
int run(const char* tool, const Options& options, const States& states, Show show) {
    return run(tool, options, states, show, [](QWidget&) {});
}

} // namespace shots
