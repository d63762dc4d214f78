// Timestamp queries over GL_TIMESTAMP query objects (core since GL 3.3).

#include "Platform/DeviceGL.h"

namespace gen
{

namespace
{

class CTimestampQueryGL : public CTimestampQuery, public CDeviceChild
{
public:
    explicit CTimestampQueryGL(CDeviceGL* device) : CDeviceChild(device)
    {
        glGenQueries(1, &Name);
    }

    ~CTimestampQueryGL() override
    {
        if (Alive())
        {
            glDeleteQueries(1, &Name);
        }
    }

    void Issue() override
    {
        if (Alive())
        {
            glQueryCounter(Name, GL_TIMESTAMP);
            Issued = true;
        }
    }

    bool GetTime(std::uint64_t& nanoseconds, bool wait) override
    {
        if (!Alive() || !Issued)
        {
            return false;
        }
        GLint available = GL_FALSE;
        if (!wait)
        {
            glGetQueryObjectiv(Name, GL_QUERY_RESULT_AVAILABLE, &available);
            if (available != GL_TRUE)
            {
                return false;
            }
        }
        GLuint64 time = 0;
        glGetQueryObjectui64v(Name, GL_QUERY_RESULT, &time);
        nanoseconds = time;
        return true;
    }

private:
    GLuint Name = 0;
    bool Issued = false;
};

} // namespace

CTimestampQuery* CDeviceGL::CreateTimestampQuery()
{
    GLint bits = 0;
    glGetQueryiv(GL_TIMESTAMP, GL_QUERY_COUNTER_BITS, &bits);
    return bits > 0 ? new CTimestampQueryGL(this) : nullptr;
}

} // namespace gen
