#include "join/directrowreader.h"

#include "audio/audiofile.h"

DirectRowReader::DirectRowReader(AudioFile &reader, const QStringList &inputs,
                                 const BlockShaping &shaping)
    : m_reader(reader), m_inputs(inputs), m_shaping(shaping)
{}

RowReader::Input DirectRowReader::open(int row)
{
    m_row = row;
    m_reader.openFile(m_inputs.at(row), 0, 1);
    return {m_reader.sampleRate(), m_reader.channels(), m_reader.sampleCount(),
            m_reader.blockAlign()};
}

SampleArray DirectRowReader::read(int frames)
{
    SampleArray block = m_reader.readSamples(frames);
    m_shaping.apply(m_row, block);
    return block;
}

void DirectRowReader::release(SampleArray &&block)
{
    m_reader.releaseSamples(std::move(block));
}

void DirectRowReader::close()
{
    if (m_reader.isOpen())
        m_reader.closeFile();
}
