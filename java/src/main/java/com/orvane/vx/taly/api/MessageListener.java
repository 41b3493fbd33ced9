package com.orvane.vx.taly.api;

/**
 * A consumer of a queue's messages, registered with
 * {@link Queue#registerConsumer(MessageListener, ConsumerOptions)}.
 *
 * <p>Its methods run on a thread of the queue manager, never on the thread
 * that registered it or started the connection: the Java thread is named
 * "Taly AsyncConsume Thread. tid: " and the queue manager's name for it, and
 * is a daemon. One connection's consumers are called one at a time. A
 * listener may call on its own connection and queues (get, put, commit,
 * stop, close...); those calls run at once. It must not wait for another
 * thread that calls on the same connection: calls from other threads wait
 * until the listener returns.
 */
@FunctionalInterface
public interface MessageListener {

    /**
     * A message for the consumer, with its descriptor in the message. A
     * message too long for the consumer's maximum length, without
     * {@link ConsumerOptions.Builder#acceptTruncated()}, comes with an empty
     * body, its full {@link Message#dataLength()} and a failed completion:
     * it stays on the queue, and the listener may get it itself, by its
     * identifier (see {@link CallType#MSG_NOT_REMOVED}).
     *
     * <p>While another thread disconnects the connection (or closes it), the
     * listener's calls on it fail with {@code VXRC_HCONN_ERROR} (3001): the
     * disconnect waits for the listener to return, and the connection counts
     * as closed from the disconnect's start. A listener that meets 3001
     * should return; a message it got under syncpoint is backed out.
     *
     * @param message the message
     * @param call why it was called: {@link CallType#MSG_REMOVED} or {@link CallType#MSG_NOT_REMOVED}
     */
    void onMessage(Message message, ConsumerCall call);

    /**
     * Every other call: register, start, stop and deregister, and the events
     * about this consumer when its connection has no event listener. Does
     * nothing unless overridden.
     *
     * @param call the call
     */
    default void onCall(ConsumerCall call) {
    }
}
