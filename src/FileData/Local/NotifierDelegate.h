#pragma once

class MivEventData;
class Notifier;

// Receives a notifier's events, on the notifier's own event queue (never the
// main thread): a delegate that touches views hops to the main thread itself.
class NotifierDelegate
{
public:
    virtual ~NotifierDelegate() = default;
    virtual void handleEvent(const MivEventData& event, Notifier& notifier) = 0;
};
