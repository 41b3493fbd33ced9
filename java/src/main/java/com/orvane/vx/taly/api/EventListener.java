package com.orvane.vx.taly.api;

/**
 * The event listener of a connection, registered with
 * {@link Connection#registerEventListener(EventListener)}: it is told of the
 * conditions that keep the connection's consumers from their messages (gets
 * inhibited, a queue deleted, a full unit of work), with the queue concerned.
 * It runs on the queue manager's thread, as a {@link MessageListener} does.
 */
@FunctionalInterface
public interface EventListener {

    /**
     * A condition that keeps a consumer from its messages.
     *
     * @param call the event: its completion tells the condition, its queue the consumer's queue
     */
    void onEvent(ConsumerCall call);

    /**
     * Its own register, start, stop and deregister calls. Does nothing unless overridden.
     *
     * @param call the call
     */
    default void onCall(ConsumerCall call) {
    }
}
