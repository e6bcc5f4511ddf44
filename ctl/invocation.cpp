#include "invocation.h"

#include "panel/controlvalues.h"
#include "presets/presetfile.h"
#include "presets/setupstore.h"
#include "protocol/masks.h"
#include "protocol/names.h"

#include <QStringDecoder>

#include <algorithm>

namespace camdeck::ctl {

namespace {

using Kind = Command::Kind;

// The command words and the kinds they make; ports and decode run alone.
constexpr struct {
    const char *word;
    Kind kind;
} commandWords[] = {
    {"hello", Kind::Hello},   {"preset", Kind::Preset}, {"set", Kind::Set},
    {"text", Kind::Text},     {"mask", Kind::Mask},     {"jog", Kind::Jog},
    {"switch", Kind::Switch}, {"get", Kind::Get},       {"setup", Kind::Setup},
};
constexpr const char *aloneWords[] = {"ports", "decode"};

constexpr const char *options[]
    = {"-d",     "--device", "--json", "-v",        "--verbose", "--raw", "--hex",
       "--list", "-h",       "--help", "--version", "--direct",  "--all"};

bool isOption(const std::string &word)
{
    return word.size() > 1 && word[0] == '-';
}

bool isCommandWord(const std::string &word)
{
    for (const auto &c : commandWords) {
        if (word == c.word)
            return true;
    }
    return word == aloneWords[0] || word == aloneWords[1];
}

std::vector<std::string> maskNames()
{
    std::vector<std::string> names;
    for (const MaskPattern &pattern : maskPatterns())
        names.emplace_back(pattern.name);
    return names;
}

std::vector<std::string> jogNames()
{
    std::vector<std::string> names;
    for (int d = 0; d <= static_cast<int>(JogDirection::Stop); ++d)
        names.emplace_back(jogName(static_cast<JogDirection>(d)));
    return names;
}

std::vector<std::string> switchKeys()
{
    std::vector<std::string> keys;
    for (const protocol::Switch &s : protocol::switches())
        keys.emplace_back(s.key);
    return keys;
}

template<class Names> std::vector<std::string> list(const Names &names)
{
    return std::vector<std::string>(std::begin(names), std::end(names));
}

std::string oneOf(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : "|") + name;
    return text;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string> &arguments)
        : m_arguments(arguments)
    {
    }

    Invocation parse();

private:
    bool more() const { return m_next < m_arguments.size(); }
    const std::string &take() { return m_arguments[m_next++]; }
    bool fail(std::string why);
    bool option(const std::string &word);
    bool command(const std::string &word);
    bool argumentsOf(Command &command);
    bool settings(Command &command);
    bool resolve(Command &command);
    bool resolveSet(Command &command);
    bool resolveText(Command &command, const std::string &word);
    bool check();

    const std::vector<std::string> &m_arguments;
    std::size_t m_next = 0;
    Invocation m_invocation;
    bool m_alone = false; // ports or decode was given
    bool m_decodeInput = false;
};

Invocation Parser::parse()
{
    while (more()) {
        const std::string &word = take();
        const bool ok = isOption(word) ? option(word) : command(word);
        if (!ok)
            return m_invocation;
        if (m_invocation.action == Invocation::Action::Help
            || m_invocation.action == Invocation::Action::Version
            || m_invocation.action == Invocation::Action::List)
            return m_invocation;
    }
    // Values are read once every option is known: --raw may come last.
    if (!check())
        return m_invocation;
    for (Command &command : m_invocation.commands) {
        if (!resolve(command))
            break;
    }
    return m_invocation;
}

bool Parser::fail(std::string why)
{
    m_invocation.error = std::move(why);
    return false;
}

bool Parser::option(const std::string &word)
{
    Invocation &inv = m_invocation;
    if (word == "-d" || word == "--device" || word.starts_with("--device=")) {
        if (!inv.device.empty())
            return fail("one device only: " + word + " after -d " + inv.device);
        if (word.starts_with("--device="))
            inv.device = word.substr(9);
        else if (more())
            inv.device = take();
        if (inv.device.empty())
            return fail(word + " wants the device's path");
    } else if (word == "--json") {
        inv.json = true;
    } else if (word == "-v" || word == "--verbose") {
        inv.verbose = true;
    } else if (word == "--raw") {
        inv.raw = true;
    } else if (word == "--hex") {
        inv.hexInput = true;
    } else if (word == "--direct") {
        inv.direct = true;
    } else if (word == "--all") {
        inv.allControls = true;
    } else if (word == "--list") {
        inv.action = Invocation::Action::List;
    } else if (word == "-h" || word == "--help") {
        inv.action = Invocation::Action::Help;
    } else if (word == "--version") {
        inv.action = Invocation::Action::Version;
    } else {
        return fail("no option '" + word + "'" + didYouMean(word, list(options)));
    }
    return true;
}

bool Parser::command(const std::string &word)
{
    if (word == "ports" || word == "decode") {
        if (m_alone || !m_invocation.commands.empty())
            return fail(word + " runs alone, not with other commands");
        m_alone = true;
        m_invocation.action
            = word == "ports" ? Invocation::Action::Ports : Invocation::Action::Decode;
        return true;
    }
    // What decode reads may come before or after its options.
    if (m_invocation.action == Invocation::Action::Decode) {
        if (m_decodeInput)
            return fail("decode reads one input, not '" + word + "' after '" + m_invocation.input
                        + "'");
        m_decodeInput = true;
        m_invocation.input = word;
        return true;
    }
    const auto found = std::find_if(std::begin(commandWords), std::end(commandWords),
                                    [&](const auto &c) { return word == c.word; });
    if (found == std::end(commandWords)) {
        if (protocol::findControl(word))
            return fail("no command '" + word + "'; to set the control: set " + word + " VALUE");
        std::vector<std::string> words = list(aloneWords);
        for (const auto &c : commandWords)
            words.emplace_back(c.word);
        return fail("no command '" + word + "'" + didYouMean(word, words));
    }
    if (m_alone)
        return fail("ports runs alone, not with " + word);
    Command command;
    command.kind = found->kind;
    if (!argumentsOf(command))
        return false;
    m_invocation.commands.push_back(std::move(command));
    return true;
}

// The words a command takes, whatever they look like: a text may start with a
// dash, and uv-ur -28 is a value, not an option.
bool Parser::argumentsOf(Command &command)
{
    if (command.kind == Kind::Set)
        return settings(command);
    if (command.kind == Kind::Get) {
        while (more() && !isOption(m_arguments[m_next]) && !isCommandWord(m_arguments[m_next]))
            command.words.push_back(take());
        return true;
    }
    const bool applying = command.kind == Kind::Setup && more() && m_arguments[m_next] == "apply";
    const std::size_t count = command.kind == Kind::Hello ? 0
        : command.kind == Kind::Switch || applying        ? 2
                                                          : 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (!more())
            return fail(std::string(command.name()) + " wants "
                        + (applying                          ? "apply and a file"
                               : command.kind == Kind::Setup ? "apply FILE or dump"
                               : count == 2                  ? "a switch and on or off"
                                                             : "a value"));
        command.words.push_back(take());
    }
    return true;
}

// NAME VALUE pairs up to the next command or option. The first pair after
// set is always a pair, so "set text on" shows the text while "text" further
// on starts the text command.
bool Parser::settings(Command &command)
{
    while (more() && !isOption(m_arguments[m_next])
           && (command.words.empty() || !isCommandWord(m_arguments[m_next]))) {
        const std::string &name = take();
        if (!more())
            return fail("set " + name + " wants a value");
        command.words.push_back(name);
        command.words.push_back(take());
    }
    if (command.words.empty())
        return fail("set wants a control's name and a value");
    return true;
}

bool Parser::check()
{
    const Invocation &inv = m_invocation;
    if (inv.action != Invocation::Action::Run)
        return true;
    if (inv.commands.empty())
        return fail("nothing to do: give a command");
    return true;
}

bool Parser::resolve(Command &command)
{
    const std::string &word = command.words.empty() ? std::string() : command.words.front();
    switch (command.kind) {
    case Kind::Hello:
        return true;
    case Kind::Preset: {
        const std::optional<int> n = wholeNumber(word);
        if (!n || !isPresetSlot(*n - 1))
            return fail("preset takes 1 to " + std::to_string(presetCount) + ", not '" + word
                        + "'");
        command.number = *n - 1;
        return true;
    }
    case Kind::Set:
        return resolveSet(command);
    case Kind::Setup: {
        if (word == "dump")
            return true;
        if (word != "apply")
            return fail("setup takes apply FILE or dump, not '" + word + "'");
        const SetupText file = readSetupText(QString::fromStdString(command.words[1]));
        const SetupRead read = file.ok() ? parseSetup(file.text) : SetupRead{{}, {}};
        if (!file.ok())
            return fail(file.error.toStdString());
        command.setup = read.setup;
        command.setupText = file.text;
        return read.ok() || fail(command.words[1] + ", " + read.error);
    }
    case Kind::Get:
        if (command.words.empty() && !m_invocation.allControls)
            return fail("get wants a control's name, or --all");
        for (const std::string &name : command.words) {
            const protocol::Control *control = protocol::findControl(name);
            if (!control)
                return fail("no control '" + name + "'" + didYouMean(name, controlKeys()));
            command.settings.push_back({control, 0});
        }
        return true;
    case Kind::Text:
        return resolveText(command, word);
    case Kind::Mask:
        command.number = findMaskPattern(word);
        return command.number >= 0
            || fail("mask takes " + oneOf(maskNames()) + ", not '" + word + "'"
                    + didYouMean(word, maskNames()));
    case Kind::Jog: {
        const std::optional<JogDirection> direction = findJogDirection(word);
        command.direction = direction.value_or(JogDirection::Stop);
        return direction
            || fail("jog takes " + oneOf(jogNames()) + ", not '" + word + "'"
                    + didYouMean(word, jogNames()));
    }
    case Kind::Switch: {
        command.which = protocol::findSwitch(word);
        if (!command.which)
            return fail("no switch '" + word + "'" + didYouMean(word, switchKeys()));
        const std::optional<bool> on = onOff(command.words[1]);
        command.on = on.value_or(false);
        return on || fail("switch " + word + " takes on or off, not '" + command.words[1] + "'");
    }
    }
    return true;
}

bool Parser::resolveSet(Command &command)
{
    for (std::size_t i = 0; i + 1 < command.words.size(); i += 2) {
        const std::string &name = command.words[i];
        const protocol::Control *control = protocol::findControl(name);
        if (!control && protocol::findSwitch(name))
            return fail(name + " is a switch: switch " + name + " on|off");
        if (!control)
            return fail("no control '" + name + "'" + didYouMean(name, controlKeys()));
        const ControlValue value
            = parseControlValue(*control, command.words[i + 1], m_invocation.raw);
        if (value.outOfRange && !m_invocation.raw)
            return fail(value.error + " (--raw lets it through)");
        if (!value.ok())
            return fail(value.error);
        command.settings.push_back({control, value.value});
    }
    return true;
}

bool Parser::resolveText(Command &command, const std::string &word)
{
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const QString text = fromUtf8(QByteArray::fromStdString(word));
    if (fromUtf8.hasError())
        return fail("the text is not UTF-8");
    command.text = text.toStdU16String();
    const std::string problem = protocol::textProblem(command.text);
    return problem.empty() || fail(problem);
}

} // namespace

const char *Command::name() const
{
    for (const auto &c : commandWords) {
        if (c.kind == kind)
            return c.word;
    }
    return "";
}

Invocation parseArguments(const std::vector<std::string> &arguments)
{
    return Parser(arguments).parse();
}

} // namespace camdeck::ctl
