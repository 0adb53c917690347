#include "cli_help.h"

namespace tavik::cli {

namespace {

// What ends a command that runs until it is stopped, in the system's words.
#ifdef _WIN32
#define TAVIK_WATCH_ENDS                                                                  \
    "is bound or gone. Runs until Ctrl-C, Ctrl-Break, a closed console or the\n"          \
    "session's end (exit status 0), or:\n"
#define TAVIK_RECORD_ENDS                                                                 \
    "or with Ctrl-C, Ctrl-Break, a closed console or the session's end (exit\n"           \
    "status 0). An unplugged logger pauses it and a replugged one resumes it.\n"
#define TAVIK_SERVE_ENDS "Runs until Ctrl-C, Ctrl-Break, a closed console or the session's end (exit\nstatus 0).\n"
#define TAVIK_LOG_ENDS "Ctrl-C, Ctrl-Break, a closed console or the session's end (exit status 0).\n"
#define TAVIK_ENDED_EARLY                                                                 \
    "130 after Ctrl-C or Ctrl-Break, 143 after a closed console, a log-off or a\n"        \
    "shut-down, before the command was done.\n"                                           \
    "README.txt beside the program says more.\n"
#else
#define TAVIK_WATCH_ENDS "is bound or gone. Runs until Ctrl-C, SIGTERM or SIGHUP (exit status 0), or:\n"
#define TAVIK_RECORD_ENDS                                                                 \
    "or with Ctrl-C, SIGTERM or SIGHUP (exit status 0). An unplugged logger\n"            \
    "pauses it and a replugged one resumes it.\n"
#define TAVIK_SERVE_ENDS "Runs until Ctrl-C, SIGTERM or SIGHUP (exit status 0).\n"
#define TAVIK_LOG_ENDS "Ctrl-C, SIGTERM or SIGHUP (exit status 0).\n"
#define TAVIK_ENDED_EARLY                                                                 \
    "128+N ended by signal N before the command was done (130 for Ctrl-C).\n"             \
    "man tavik-cli says more.\n"
#endif

constexpr const char* General =
    "usage: tavik-cli [--demo] COMMAND [OPTIONS]\n"
    "       tavik-cli help [COMMAND] | COMMAND --help | --version\n"
    "Commands:\n"
    "  list       the modules present: kind, strings, node, access, factors\n"
    "  watch      readings as they come, and modules bound or gone\n"
    "  measure    one fresh reading of the logger, the frequency meter or both\n"
    "  record     the logger's recording file, as the window writes it\n"
    "  log        records every module for days: CSV with units, durable\n"
    "  stats      what recordings hold: span, gaps, min/mean/max, drift, Allan\n"
    "  plot       recordings drawn as an SVG picture\n"
    "  logger     sets the logger's resolution, peak mode and channel\n"
    "  generator  sets the generator's outputs\n"
    "  calibrate  calibrates the logger or the frequency meter\n"
    "  raw        reads or writes one byte of the generator's memory\n"
    "  serve      the modules as one SCPI instrument on the network\n"
    "  metrics    the modules' readings for Prometheus, over HTTP\n"
    "  publish    the modules' readings to an MQTT broker, for Home Assistant\n"
    "Options:\n"
    "  --demo            every command over simulated modules in memory\n"
    "  --wait SECONDS    wait that long for the module to be plugged in\n"
    "  -h, --help        this text; with a command, that command's options\n"
    "  -V, --version     the version\n"
    "freqmeter may be written meter. Numbers take a point or a comma (2.5, 2,5);\n"
    "texts show the locale's separator, JSON numbers always a point.\n"
    "Exit status: 0 done; 1 usage error or a calibration refused; 2 module not\n"
    "present or not open to us; 3 I/O or transfer failure, standard output too;\n"
    TAVIK_ENDED_EARLY;

constexpr const char* List =
    "usage: tavik-cli list [--json]\n"
    "Every HID interface with the modules' vendor and product IDs (20A0:5E21):\n"
    "its kind (logger, generator, freqmeter, or unknown and why), its product\n"
    "and manufacturer strings, node, access, and a bound module's factors.\n"
    "With none present it says so on standard error; exit status 0.\n"
    "  --json    one JSON object per line\n";

constexpr const char* Watch =
    "usage: tavik-cli watch [--json] [--seconds N] [--count N] [--module KIND]\n"
    "                       [--wait SECONDS]\n"
    "Readings as they come: the logger's voltmeter every 500 ms once it has sent\n"
    "a new report, the frequency meter every 250 ms, and a line when a module\n"
    TAVIK_WATCH_ENDS
    "  --seconds N      for N seconds\n"
    "  --count N        until N readings are printed\n"
    "  --module KIND    logger or freqmeter only\n"
    "  --json           one JSON object per line\n"
    "With no module present (or not that of --module) the exit status is 2.\n";

constexpr const char* Measure =
    "usage: tavik-cli measure [logger|freqmeter] [--json] [--wait SECONDS]\n"
    "One fresh reading, then exit: the logger's voltmeter over five reports read\n"
    "now, the frequency meter's next measurement. Without a module named, one\n"
    "of each of the two that is present.\n"
    "  --json    one JSON object per line\n";

constexpr const char* Record =
    "usage: tavik-cli record [--dir DIR] [--seconds N] [--wait SECONDS]\n"
    "The logger's recording as the window writes it: a new file\n"
    "DDMMYYYYhhmmss.csv in DIR (default: the working directory), one line per\n"
    "report, whole lines only; prints the file's path. It ends after --seconds\n"
    TAVIK_RECORD_ENDS;

constexpr const char* Log =
    "usage: tavik-cli log [--dir DIR] [--every SECONDS] [--rotate daily|hourly|SIZE]\n"
    "                     [--seconds N | --until TIME] [--sync SECONDS]\n"
    "Records every bound module into tavik-YYYYMMDD-hhmmss.csv files in DIR\n"
    "(default: the working directory): the logger's calibrated volts and mode,\n"
    "the frequency meter's hertz and IN input, and events (bound, absent,\n"
    "settings changed, failed transfers, gaps). '#' lines of metadata, then a\n"
    "header with units; times in ISO 8601 with the UTC offset, elapsed_s on the\n"
    "monotonic clock, a point before decimals, an empty field for no value.\n"
    "Modules may come and go. It ends after --seconds, at --until, or with\n"
    TAVIK_LOG_ENDS
    "  --every SECONDS    one row per interval (aligned to the clock: 10 gives\n"
    "                     :00, :10, ...) with count, min, mean and max of each\n"
    "                     channel; without, one row per report\n"
    "  --rotate R         a new file at local midnight (daily, the default),\n"
    "                     each hour (hourly) or before SIZE bytes (100M, 1G)\n"
    "  --until TIME       18:30, 18:30:00 or 2026-12-24T08:00 (local time)\n"
    "  --sync SECONDS     forced to the disk at least this often (default 5):\n"
    "                     a power cut loses at most that much\n";

constexpr const char* Stats =
    "usage: tavik-cli stats FILE... [--json]\n"
    "What recordings of tavik-cli log or of the window hold, the files read in\n"
    "the order given: span, rows, events, gaps (no values for over 2 s, or 2.5\n"
    "intervals), and for v1_V, v2_V and freq_Hz count, min, mean, max and the\n"
    "standard deviation (of the rows' values: interval means in interval files);\n"
    "the frequency's drift in Hz/h (least squares) and its Allan deviation in Hz\n"
    "at 1, 10, 100 and 1000 s where at least three averages fit. A torn last\n"
    "line is skipped and counted.\n"
    "  --json    one JSON object\n";

constexpr const char* Plot =
    "usage: tavik-cli plot FILE... -o FILE.svg\n"
    "Draws recordings of tavik-cli log or of the window as SVG: both voltages and\n"
    "the frequency against the time, gaps shaded and left empty; beyond two\n"
    "values a pixel, each pixel column shows min/max and the mean. Prints the\n"
    "picture's name.\n"
    "  -o, --output FILE    the picture\n";

constexpr const char* Logger =
    "usage: tavik-cli logger [--mode 10bit|8bit] [--peak on|off] [--channel 1|2]\n"
    "                        [--wait SECONDS]\n"
    "Sends the logger's control report. The module cannot be asked for its\n"
    "settings, so each call sets all three: one not given takes the window's\n"
    "start-up state (10bit, peak off, channel 1). At least one is needed.\n";

constexpr const char* Generator =
    "usage: tavik-cli generator [--out1 gen|pc] [--out1-level 0|1] [--out1-freq F]\n"
    "                           [--out2 gen|pc] [--out2-level 0|1] [--out2-freq F]\n"
    "                           [--out3-level 0|1] [--wait SECONDS]\n"
    "Sends one control report. The module cannot be asked for its state, so\n"
    "each call sets every output: a field not given takes the window's start-up\n"
    "state (from the generator, level 0, the list's first frequency). At least\n"
    "one is needed. A report carries one output's source and frequency: give\n"
    "those of --out1 or of --out2, not both; an output on pc keeps its\n"
    "frequency, so it takes no --outN-freq.\n"
    "  F    a label of the output's list (8,25E+6 or 8.25E+6), or hertz\n"
    "       (1000Hz): the nearest entry, which is printed\n";

constexpr const char* Calibrate =
    "usage: tavik-cli calibrate logger VOLTS [--wait SECONDS]\n"
    "       tavik-cli calibrate freqmeter HZ [--wait SECONDS]\n"
    "The window's calibration against a reference: the logger averages five\n"
    "reports read now, the frequency meter takes its next count. Prints the\n"
    "factors before and after, and each factor written. Where a rule says no (a\n"
    "measurement or reference below 1.5 V or 900 Hz, a factor outside 0.75 to\n"
    "1.25) it gives the reason and the exit status is 1, also when the logger's\n"
    "other channel was written; a factor not taken or read back otherwise is an\n"
    "I/O failure, exit status 3.\n"
    "  VOLTS    such as 5,0 or 5.0\n"
    "  HZ       a whole number; $ or 0x before hexadecimal digits\n";

constexpr const char* Raw =
    "usage: tavik-cli raw read ADDR [--wait SECONDS]\n"
    "       tavik-cli raw write ADDR DATA [--wait SECONDS]\n"
    "The generator's memory byte by byte, as the window's service fields: ADDR\n"
    "from 0 to 65535, DATA from 0 to 255, decimal or hexadecimal ($FF, 0xFF).\n"
    "read prints the byte in decimal.\n";

constexpr const char* Serve =
    "usage: tavik-cli serve [--listen ADDRESS:PORT] [--metrics ADDRESS:PORT]\n"
    "                       [--idle SECONDS] [--mqtt URL [MQTT OPTIONS]]\n"
    "The three modules as one SCPI instrument over raw TCP, as LXI instruments\n"
    "serve (VISA: TCPIP::host::5025::SOCKET, lines ending in \\n). Binds modules\n"
    "as they come and go and polls them as the window does; up to 8 clients at\n"
    "once, each with its own error queue (SYSTem:ERRor?), a few lines of each\n"
    "in turn; a client that leaves its answers unread is not read from until it\n"
    "reads. Prints where it listens; connections are told on standard error.\n"
    TAVIK_SERVE_ENDS
    "  --listen ADDRESS:PORT    default 127.0.0.1:5025; any other address than\n"
    "                           127.x lets whoever reaches the port drive the\n"
    "                           modules. Port 0: the system picks one.\n"
    "  --metrics ADDRESS:PORT   the metrics endpoint too (tavik-cli help metrics),\n"
    "                           such as 127.0.0.1:9464\n"
    "  --idle SECONDS           close a client that has sent nothing and read\n"
    "                           nothing this long (default 3600; 0: never); a\n"
    "                           peer that vanished is found within 3 minutes\n"
    "  --mqtt URL               publish the readings too (tavik-cli help publish)\n"
    "The command tree is in man tavik-cli (README.txt on Windows).\n";

constexpr const char* Metrics =
    "usage: tavik-cli metrics [--listen ADDRESS:PORT]\n"
    "The modules' readings as Prometheus metrics: GET /metrics over HTTP answers\n"
    "the text format, or OpenMetrics when the Accept header asks for it. Binds\n"
    "modules as they come and go and polls them as the window does; a module\n"
    "that is not bound has tavik_module_up 0 and no readings. Prints where it\n"
    "listens; dropped connections are told on standard error.\n"
    TAVIK_SERVE_ENDS
    "  --listen ADDRESS:PORT    default 127.0.0.1:9464; any other address than\n"
    "                           127.x lets whoever reaches the port read the\n"
    "                           readings. Port 0: the system picks one.\n"
    "The metrics are in man tavik-cli (README.txt on Windows).\n";

constexpr const char* Publish =
    "usage: tavik-cli publish --mqtt mqtt://HOST[:PORT] | mqtts://HOST[:PORT]\n"
    "                         [--every SECONDS] [--mqtt-topic PREFIX]\n"
    "                         [--mqtt-user NAME [--mqtt-password-file FILE]]\n"
    "                         [--mqtt-ca FILE]\n"
    "The modules' readings published to an MQTT broker, with Home Assistant's\n"
    "discovery: the modules appear there by themselves. Binds modules as they\n"
    "come and go and polls them as the window does; every interval the latest\n"
    "readings go out (at most once, not retained), PREFIX/logger/voltage1 and 2\n"
    "in volts, PREFIX/freqmeter/frequency in hertz and .../input_in. PREFIX/status\n"
    "is online while it runs and offline (the broker's last will) after; each\n"
    "PREFIX/KIND/status online while that module is bound. A broker that is away\n"
    "is tried again after 1, 2, 4 ... 30 s; readings meanwhile are dropped.\n"
    "Connections and losses are told on standard error.\n"
    TAVIK_SERVE_ENDS
    "  --mqtt URL               the broker; port 1883, or 8883 for mqtts\n"
    "  --every SECONDS          default 1, from 0,05 to 86400\n"
    "  --mqtt-topic PREFIX      default tavik/HOST\n"
    "  --mqtt-user NAME         with the password of TAVIK_MQTT_PASSWORD in the\n"
    "                           environment, or of:\n"
    "  --mqtt-password-file F   the file's first line\n"
    "  --mqtt-ca FILE           mqtts: the broker's CA; default the system's\n"
#ifdef _WIN32
    "This Windows build has no MQTT; tavik-cli metrics gives the readings to\n"
    "Prometheus.\n"
#endif
    ;

}  // namespace

std::string HelpText(std::optional<TVerb> topic) {
    if (!topic) return General;
    switch (*topic) {
    case TVerb::List: return List;
    case TVerb::Watch: return Watch;
    case TVerb::Measure: return Measure;
    case TVerb::Record: return Record;
    case TVerb::Log: return Log;
    case TVerb::Stats: return Stats;
    case TVerb::Plot: return Plot;
    case TVerb::Logger: return Logger;
    case TVerb::Generator: return Generator;
    case TVerb::Calibrate: return Calibrate;
    case TVerb::RawRead:
    case TVerb::RawWrite: return Raw;
    case TVerb::Serve: return Serve;
    case TVerb::Metrics: return Metrics;
    case TVerb::Publish: return Publish;
    case TVerb::Help:
    case TVerb::Version: break;
    }
    return General;
}

}  // namespace tavik::cli
