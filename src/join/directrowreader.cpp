#include "join/directrowreader.h"

#include "audio/audiofile.h"

DirectRowReader::DirectRowReader(AudioFile &reader, const QStringList &inputs,
                                 const BlockShaping &shaping)
    : m_reader(reader), m_inputs(inputs), m_shaping(shaping)
{}

RowReader::Input DirectRowReader::open(int row)
{
    m_row = row;
    m_reader.OpenFile(m_inputs.at(row), 0, 1);
    m_reader.Seek(0, 3);
    return {m_reader.SampleRate(), m_reader.Channels(), m_reader.SampleCount(),
            m_reader.BlockAlign()};
}

SampleArray DirectRowReader::read(int frames)
{
    SampleArray block = m_reader.ReadSamples(frames);
    m_shaping.apply(m_row, block);
    return block;
}

void DirectRowReader::release(SampleArray &&block)
{
    m_reader.ReleaseSamples(std::move(block));
}

void DirectRowReader::close()
{
    if (m_reader.IsOpen())
        m_reader.CloseFile();
}
