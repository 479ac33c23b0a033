#pragma once

#include "join/rowreader.h"

#include <QStringList>

class AudioFile;

// Decodes each block when the join asks for it, on the join's own thread, with
// the reader it is given: one step after the other, as the join has always run.
class DirectRowReader : public RowReader {
public:
    DirectRowReader(AudioFile &reader, const QStringList &inputs);

    Input open(int row) override;
    SampleArray read(int frames) override;
    void release(SampleArray &&block) override;
    void close() override;

private:
    AudioFile &m_reader;
    const QStringList m_inputs;
};
