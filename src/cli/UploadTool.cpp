#include "UploadTool.h"

#include "ExitStatus.h"
#include "PedalSession.h"
#include "algorithms/AlgorithmUpload.h"

#include <cstdio>

int UploadTool::uploadEffect(const QString &effectName)
{
    AlgorithmUpload upload(m_session.communication(), m_session.prompts(), m_session.prompts(),
                           m_session.clock());
    const PedalResultOf<QByteArray> image = upload.carriedImage(effectName);
    return image ? this->upload(*image, false) : m_session.exitStatus(image);
}

int UploadTool::uploadFile(const QString &path)
{
    AlgorithmUpload upload(m_session.communication(), m_session.prompts(), m_session.prompts(),
                           m_session.clock());
    const PedalResultOf<QByteArray> image = upload.fileImage(path);
    return image ? this->upload(*image, true) : m_session.exitStatus(image);
}

int UploadTool::upload(const QByteArray &image, bool fromFile)
{
    ConsolePrompts &prompts = m_session.prompts();
    AlgorithmUpload upload(m_session.communication(), prompts, prompts, m_session.clock());
    // A script waits as long as the status line would before it says the
    // upload failed.
    const PedalResult uploaded = upload.upload(image, fromFile, {}, AlgorithmUpload::FailedAfterMs);
    if (!uploaded)
        return m_session.exitStatus(uploaded);
    // Escaped: the pedal's bytes must not drive the terminal.
    std::fprintf(stdout, "%s\n", AlgorithmUpload::shownText(upload.answer.trimmed()).toLocal8Bit().constData());
    return Success;
}
