#pragma once

#include "join/blockshaping.h"
#include "join/rowreader.h"

#include <QStringList>

class AudioFile;

// Decodes each block in one piece when the join asks for it, on the join's own thread, with
// the reader it is given: one step after the other, as the join has always run.
// Each block is shaped as it is read.
class DirectRowReader : public RowReader {
public:
    DirectRowReader(AudioFile &reader, const QStringList &inputs, const BlockShaping &shaping);

    Input open(int row) override;
    SampleArray read(int frames) override;
    void release(SampleArray &&block) override;
    void close() override;

private:
    AudioFile &m_reader;
    const QStringList m_inputs;
    const BlockShaping m_shaping;
    int m_row = -1;
};
