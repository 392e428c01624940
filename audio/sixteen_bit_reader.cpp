// CSixteenBitReader (see sixteen_bit_reader.h).
#include "sixteen_bit_reader.h"

#include "audio_handle.h"

AudioError CSixteenBitReader::Open(const std::string &path)
{
    Close();
    m_handle = AudioOpenRead(path, m_info);
    if (!m_handle)
        return AudioLastError();
    m_clipped = 0;
    return AudioError::None;
}

AudioError CSixteenBitReader::OpenMemory(const void *bytes, size_t size, const std::string &name)
{
    Close();
    m_handle = orvex::OpenReadMemory(bytes, size, name, m_info);
    if (!m_handle)
        return AudioLastError();
    m_clipped = 0;
    return AudioError::None;
}

void CSixteenBitReader::Close()
{
    AudioClose(m_handle);
    m_handle = nullptr;
}
