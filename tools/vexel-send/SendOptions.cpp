#include "SendOptions.h"

#include "AnimationText.h"
#include "PortName.h"
#include "WholeNumber.h"

#include <QCommandLineParser>

#include <limits>

const QString SendOptions::HelpText = QStringLiteral(R"(Usage:
  vexel-send [OPTIONS] COMMAND [ARGUMENTS]
  vexel-send [OPTIONS] --file FILE

Sends commands to the 16x8 LED module the way the VexelApp control panel does,
plays animations on it, and tells from the exit status whether the module
acknowledged a store. Options may stand before or after the command's words;
"--" ends them, for a text that begins with a dash.

Commands:
  chars A B                    the two static characters: each one character,
                               or ^0 .. ^9 for a custom character; "" is a space
  scroll [TEXT]                scroll up to 30 characters, an emoji counting two
                               (words are joined by one space)
  speed 0|1|2|3                scrolling speed, 0 slowest, 3 fastest
  show 0|1 PATTERN             show the pattern at display position 0 or 1
  save SLOT PATTERN            store the pattern in slot 0 .. 9, wait for the acknowledgement
  animate up|down|right|left 0|1
                               play an arrow animation at display position 0 or 1
  save-startup                 keep the current screen as the start-up screen,
                               wait for the acknowledgement
  play 0|1 @FILE               play the frames of FILE at display position 0 or 1:
                               a text animation or a picture (an animated GIF
                               plays its frames, each for its own delay, as
                               often as it is marked to loop)
  wait MS                      in a command file: wait MS milliseconds (1 .. 3600000)

PATTERN is the eight column bytes in hexadecimal, column 1 first
("10 00 00 00 00 00 00 00" or 1000000000000000), or @FILE (@- standard input):
eight lines of up to eight characters, top row first, as the panel's grid shows
them; # X x * O 1 are lit dots, . - 0 and space unlit ones. A grid file holds
at most 4096 bytes. FILE may also be a picture (PNG, BMP, GIF, JPEG), told by
its content, of 8 x 8 pixels, top row first: a dot is lit where its pixel is
opaque (alpha at least half) and light (its brightest colour channel at least
half); other sizes are refused. A GIF frame delay under 2/100 s, or none, is
left to --interval.

A text animation is such grids, every row written out, separated by empty
lines; a line "wait MS" after a grid keeps that frame up MS milliseconds, other
frames stay up for --interval. At most 10000 frames and 1 MiB. In grids and
animations a line starting with # that could be no row ("# heart") is a
comment, as is what follows # on a wait line; blanks after a row's eighth dot
are ignored. Every file's lines may end in LF, CR LF or CR alone.

Letters go as the panel sends them: Windows-1252, else the nearest letter the
set holds (ő as o); a text holding a letter with neither (Greek, Cyrillic,
kana, an emoji) is refused, naming the first such letter.

Frames leave on a steady schedule counted from the start. A frame whose time
has already run out when its turn comes (a line too slow, at 9600 baud about 96
frames a second) is skipped, so the animation keeps its pace; the last frame of
an animation is always sent. A run ends when the last frame's time is up.
Repeated commands with no frame or wait among them (--loop show 0 @clock.txt, a
command file without wait) go out every --interval, not as fast as the line
takes them.

Options:
  --port N       open port N (1 to 20) as the panel does, lock included
                 (vexel-ports shows which device each port number reaches).
                 Without --port and --device: the port that vexel.ini in the
                 panel's folder names, else port 1.
  --device PATH  open this serial device instead, e.g. /dev/serial/by-id/...
  --dir DIR      the panel's folder (default: the folder of this program)
  --file FILE    run the commands of FILE (- standard input), one a line, words
                 split and quoted as in a shell, # starts a comment; all lines are
                 checked before the first is sent, pictures included, and the
                 first command that fails ends the run with its exit status;
                 at most 1 MiB
  --interval MS  how long a frame without a time of its own stays up, and the
                 pace of repeated commands with no frame or wait (default 100,
                 that is 10 a second); refused where nothing takes it
  --repeat N     play the animation, or run the command or the command file,
                 N times (over a GIF's own loop mark); save and save-startup
                 are never repeated (refused)
  --loop         play or run it until interrupted (Ctrl-C)
  --invert       pictures' dark dots are the lit ones, for dark drawings on a
                 light ground
  --quiet        print nothing on success
  -h, --help     show this text

Output: the frame in hexadecimal as the panel's monitor shows it, for a scroll
FD and the text as typed in parentheses, and for an acknowledged store the panel's
message ("Bitmap Saved", "Screen Saved As Startup"). Everything that went wrong
goes to standard error, a store's missing or wrong answer included.

Commands go out at the line's pace, and count as sent once their bytes have
left for the line; a line that takes no byte for 3 s has stopped.

Exit status:
  0    sent, and for a store acknowledged
  1    a store was sent but not acknowledged: no answer, another byte, or more than one byte
  2    bad usage or invalid data (a file with its line); nothing was sent
  3    the port could not be opened (no such device, not a serial device, held by
       another program, not permitted), was lost while sending, or stopped taking bytes
  4    the output could not be written ("write error"); the run ends there
  130  ended by Ctrl-C (SIGINT), 143 by SIGTERM, 129 by SIGHUP: after the frame
       being sent, which the module keeps showing
An answer later than 100 ms is taken for the next store's: answers carry nothing
that tells them apart.
)");

std::optional<SendOptions> SendOptions::parse(const QStringList &arguments, const QString &defaultDir, QString &error)
{
    QCommandLineParser parser;
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption deviceOption(QStringLiteral("device"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QString(), QStringLiteral("DIR"), defaultDir);
    const QCommandLineOption fileOption(QStringLiteral("file"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QString(), QStringLiteral("MS"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QString(), QStringLiteral("N"));
    const QCommandLineOption loopOption(QStringLiteral("loop"));
    const QCommandLineOption invertOption(QStringLiteral("invert"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({portOption, deviceOption, dirOption, fileOption, intervalOption, repeatOption, loopOption,
                       invertOption, quietOption, helpOption});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }

    SendOptions options;
    options.help = parser.isSet(helpOption);
    options.quiet = parser.isSet(quietOption);
    options.invert = parser.isSet(invertOption);
    options.device = parser.value(deviceOption);
    options.dir = parser.value(dirOption);
    options.file = parser.value(fileOption);
    options.command = parser.positionalArguments();
    if (options.help)
        return options;
    // An empty value is most often a script's unset variable, never a choice.
    for (const QCommandLineOption *option : {&deviceOption, &dirOption, &fileOption}) {
        if (parser.isSet(*option) && parser.value(*option).isEmpty()) {
            error = QStringLiteral("--%1 takes a non-empty %2").arg(option->names().constFirst(), option->valueName());
            return std::nullopt;
        }
    }
    if (parser.isSet(portOption)) {
        options.port = wholeNumber(parser.value(portOption), 1, LastPortNumber);
        if (options.port < 0) {
            error = QStringLiteral("--port takes a number from 1 to %1").arg(LastPortNumber);
            return std::nullopt;
        }
    }
    options.intervalGiven = parser.isSet(intervalOption);
    if (options.intervalGiven) {
        options.intervalMs = holdMilliseconds(parser.value(intervalOption));
        if (options.intervalMs < 0) {
            error = QStringLiteral("--interval takes milliseconds from 1 to %1").arg(AnimationFrame::MaxHoldMs);
            return std::nullopt;
        }
    }
    if (parser.isSet(repeatOption)) {
        options.passes = wholeNumber(parser.value(repeatOption), 1, std::numeric_limits<int>::max());
        if (options.passes < 0) {
            error = QStringLiteral("--repeat takes a number from 1 up");
            return std::nullopt;
        }
    }
    if (parser.isSet(loopOption) && parser.isSet(repeatOption)) {
        error = QStringLiteral("--repeat and --loop exclude each other");
        return std::nullopt;
    }
    if (parser.isSet(loopOption))
        options.passes = 0;
    options.passesGiven = parser.isSet(loopOption) || parser.isSet(repeatOption);
    if (parser.isSet(portOption) && parser.isSet(deviceOption)) {
        error = QStringLiteral("--port and --device exclude each other");
        return std::nullopt;
    }
    if (parser.isSet(fileOption) == !options.command.isEmpty()) {
        error = options.command.isEmpty() ? QStringLiteral("no command given")
                                          : QStringLiteral("--file and a command exclude each other");
        return std::nullopt;
    }
    return options;
}
