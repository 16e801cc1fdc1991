#include "MidiTool.h"

#include "ExitStatus.h"
#include "PedalSession.h"
#include "device/StatusRequest.h"

#include <cstdio>

MidiTool::MidiTool(PedalSession &session)
    : m_session(session), m_midi(session.communication(), session.prompts())
{
}

std::optional<QString> MidiTool::channelNamed(const QString &text, QString *error)
{
    for (const QString &item : MidiChannel::channelItems())
        if (item.compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return item;
    if (error)
        *error = QStringLiteral("Unknown MIDI channel \"%1\"; the channels are omni (all) and 1 to 16.").arg(text);
    return std::nullopt;
}

int MidiTool::setChannel(const QString &item)
{
    StatusRequest request(m_session.communication(), m_session.prompts(), m_session.prompts(),
                          m_session.clock());
    if (const auto status = request.request_device_status(); !status)
        return m_session.exitStatus(status);
    const PedalResult sent = m_midi.sendChannel(item);
    if (sent.isRefused())
        m_session.prompts().showMessage(sent.reason());
    if (!sent)
        return m_session.exitStatus(sent);
    std::fprintf(stdout, "MIDI channel: %s\n", item.toLocal8Bit().constData());
    std::fflush(stdout);
    return Success;
}
