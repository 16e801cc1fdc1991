#pragma once

#include <QString>

class PedalSession;

// upload-algorithm on an opened pedal: the image of a listed effect or the
// bytes of a file, after the question, then the pedal's answer printed.
// Returns the exit status: 2 when the image cannot be had (nothing sent), 1
// when the pedal failed, did not answer within 5 s, or the answer was No.
class UploadTool {
public:
    explicit UploadTool(PedalSession &session) : m_session(session) {}

    int uploadEffect(const QString &effectName);
    int uploadFile(const QString &path);

private:
    int upload(const class QByteArray &image, bool fromFile);

    PedalSession &m_session;
};
