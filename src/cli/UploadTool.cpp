#include "UploadTool.h"

#include "ExitStatus.h"
#include "PedalSession.h"
#include "algorithms/AlgorithmUpload.h"

#include <cstdio>

int UploadTool::uploadEffect(const QString &effectName)
{
    AlgorithmUpload upload(m_session.communication(), m_session.prompts(), m_session.prompts(),
                           m_session.clock());
    const std::optional<QByteArray> image = upload.carriedImage(effectName);
    return image ? this->upload(*image, false) : UsageError;
}

int UploadTool::uploadFile(const QString &path)
{
    AlgorithmUpload upload(m_session.communication(), m_session.prompts(), m_session.prompts(),
                           m_session.clock());
    ConsolePrompts &prompts = m_session.prompts();
    const qsizetype said = prompts.messages.size();
    const std::optional<QByteArray> image = upload.fileImage(path);
    if (image)
        return this->upload(*image, true);
    // The file could not be had (it said why), or its question could not be
    // asked: the caller's to mend. Declined at the terminal: nothing sent.
    if (prompts.unanswered() || prompts.messages.size() > said)
        return UsageError;
    prompts.showMessage(QStringLiteral("Nothing uploaded: the answer was No."));
    return PedalFailure;
}

int UploadTool::upload(const QByteArray &image, bool fromFile)
{
    ConsolePrompts &prompts = m_session.prompts();
    AlgorithmUpload upload(m_session.communication(), prompts, prompts, m_session.clock());
    // A script waits as long as the status line would before it says the
    // upload failed.
    switch (upload.upload(image, fromFile, {}, AlgorithmUpload::FailedAfterMs)) {
    case AlgorithmUpload::Outcome::Answered:
        // Escaped: the pedal's bytes must not drive the terminal.
        std::fprintf(stdout, "%s\n", AlgorithmUpload::shownText(upload.answer.trimmed()).toLocal8Bit().constData());
        return Success;
    case AlgorithmUpload::Outcome::NoAnswer:
        prompts.showMessage(QStringLiteral("Upload Failed: the pedal did not answer within %1 s")
                                .arg(AlgorithmUpload::FailedAfterMs / 1000));
        return PedalFailure;
    case AlgorithmUpload::Outcome::Cancelled:
        if (prompts.unanswered()) {
            prompts.showMessage(QStringLiteral("Nothing uploaded: give --yes, or answer at a terminal."));
            return UsageError;
        }
        prompts.showMessage(QStringLiteral("Nothing uploaded: the answer was No."));
        return PedalFailure;
    case AlgorithmUpload::Outcome::Busy:
    case AlgorithmUpload::Outcome::Failed:
        break;
    }
    return PedalFailure;
}
