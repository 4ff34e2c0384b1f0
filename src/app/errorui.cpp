#include "app/errorui.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include <exception>

#include "common/error.h"
#include "ui/popmsg.h"

namespace arv {

namespace {

ErrorEnvironment defaults()
{
    ErrorEnvironment env;
    env.releaseSemaphore = [] {};
    env.setNetworkError = [](bool) {};
    env.showMessage = [](const std::string& text) { POPMSG(text, 1); };
    env.ask = [](const std::string& text) { return POPMSG(text, 2) != 0; };
    env.openUrl = [](const std::string& url) { return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); };
    env.executablePath = [] { return QCoreApplication::applicationFilePath().toStdString(); };
    env.closeTables = [] {};
    env.quit = [](int code) { QCoreApplication::exit(code); };
    return env;
}

ErrorEnvironment& environment()
{
    static ErrorEnvironment env = defaults();
    return env;
}

} // namespace

ErrorEnvironment& errorEnvironment()
{
    return environment();
}

void resetErrorEnvironment()
{
    environment() = defaults();
}

ErrorDecision applyError(const ErrorRecord& error)
{
    ErrorEnvironment& env = environment();
    ErrorDecision decision = DEFERROR(error);
    switch (decision.action) {
    case ErrorAction::ShowAndUnwind:
        if (env.releaseSemaphore) env.releaseSemaphore();
        if (env.showMessage) env.showMessage(decision.message);
        break;
    case ErrorAction::ReturnZero:
        break;
    case ErrorAction::NetworkErrorFalse:
        if (env.setNetworkError) env.setNetworkError(true);
        break;
    case ErrorAction::Fatal:
        if (env.releaseSemaphore) env.releaseSemaphore();
        if (env.ask && env.ask(decision.message) && env.openUrl)
            env.openUrl(errorMailUrl(env.executablePath ? env.executablePath() : std::string(), decision.report));
        if (env.closeTables) env.closeTables();
        if (env.quit) env.quit(1);
        break;
    }
    return decision;
}

static void failed(ErrorRecord record, const std::string& name, const std::function<void()>& closeTables)
{
    if (record.function.empty()) record.function = name;
    ErrorDecision decision = applyError(record);
    // The fatal path has closed every table already.
    if (decision.action == ErrorAction::Fatal) return;
    if (closeTables) closeTables();
    else if (environment().closeTables) environment().closeTables();
}

bool runScreen(const std::string& name, const std::function<void()>& screen, const std::function<void()>& closeTables)
{
    try {
        screen();
        return true;
    } catch (const Error& e) {
        failed(errorRecord(e), name, closeTables);
    } catch (const std::exception& e) {
        ErrorRecord record;
        record.subsystem = "C++";
        record.description = e.what();
        failed(record, name, closeTables);
    } catch (...) {
        ErrorRecord record;
        record.description = "Errore interno";
        failed(record, name, closeTables);
    }
    return false;
}

} // namespace arv
