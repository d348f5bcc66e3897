#pragma once

class FrameSender;
class PortControl;
class TimerWait;
class UserMessages;

// What every command needs to reach the module and the user.
struct CommandContext
{
    FrameSender &sender;
    PortControl &port;
    TimerWait &wait;
    UserMessages &messages;
};
