#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// What every command for scripts shares: which command argv asks for, the
// parsing of its options and operands ("--" ends the options), the usage
// text, messages in the form "cindral: FILE: REASON" and checked writes to
// standard output. A command runs before any window system is reached,
// under a QCoreApplication of its own.
namespace CommandLine {

// The exit statuses of every command.
enum Status : int {
    Done = 0,
    Failed = 1,   // a file could not be read or written, or the command was refused
    WrongUse = 2, // a wrong command line; the usage went to standard error
};

// The commands for scripts, with their synopses for the usage text. A new
// command adds its line here.
struct Command
{
    const char *name;
    const char *synopsis;
};
const QList<Command> &commands();

// The command argv asks for (its first argument that names one, before any
// "--"), or nothing: the program then opens its window.
std::optional<QString> commandOf(int argc, char *argv[]);

// A command line taken apart: the command, the options that take a value
// ("--colours 2" or "--colours=2"), the operands. error says what is wrong
// with it: an unknown option, a second command, a missing value.
struct Parsed
{
    QString command;
    QMap<QString, QString> values;
    QStringList operands;
    QString error;
};
// arguments are those after the program's name; valueOptions are the
// options the command takes ("--colours"). After "--" every argument is an
// operand, so files whose names begin with "-" can be given.
Parsed parse(const QStringList &arguments, const QStringList &valueOptions = {});

// "Usage: cindral [ROM]" and a line for each command, then what the
// operands mean.
QString usage();
// The same for --help: the commands indented under a heading.
QString helpText();

// Each prints one line on standard error and answers the exit status.
// wrongUse: "cindral: REASON" and the usage. failed: "cindral: FILE: REASON".
int wrongUse(const QString &reason);
int failed(const QString &file, const QString &reason);
// "cindral: warning: FILE: REASON"; the command goes on.
void warn(const QString &file, const QString &reason);

// Why path cannot be read as a file ("no such file", "it is a folder"), or
// nothing when it is a file.
std::optional<QString> notAFile(const QString &path);

// Writes text to standard output and flushes it: Done, or Failed with a
// message when the output cannot take it (a full disk, a closed pipe).
int printOut(const QString &text);

} // namespace CommandLine
