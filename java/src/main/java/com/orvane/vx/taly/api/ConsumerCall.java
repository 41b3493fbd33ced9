package com.orvane.vx.taly.api;

/**
 * One call of a consumer or event listener, as the queue manager described it.
 *
 * @param type why the consumer is called
 * @param completion the outcome of the delivery: for a message, OK, or a
 *     warning when it was cut to the consumer's maximum length, or a failure
 *     ({@code VXRC_TRUNCATED_MSG_FAILED}) when it was too long and stays on
 *     the queue; for an event, the condition
 * @param state the consumer's state
 * @param dataLength the message's full length (0 without a message)
 * @param queue the queue of the consumer called or concerned; null for the
 *     event listener's own calls
 */
public record ConsumerCall(CallType type, Completion completion, ConsumerState state, int dataLength,
        Queue queue) {
}
