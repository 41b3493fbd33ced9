package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/**
 * The object that the native library calls for one registration, on the
 * queue manager's thread: it reads the callback context, makes the message
 * from the descriptor and data arrays, and calls the listener. While the
 * listener runs, the thread counts as inside a callback of the connection,
 * whose calls it then makes without waiting for the connection's other
 * callers (the queue manager runs them at once).
 */
final class ConsumerBridge {

    /** The index of the library's class and method tables that this API uses. */
    static final int CALLBACK_INDEX = 0;

    /**
     * The call running on a thread that the library calls: made once per
     * thread and kept, so that a delivery neither allocates it nor removes
     * it again (removing a thread-local value clears a reference, a call
     * into the JVM).
     */
    private static final class CallOnThread {
        Connection connection;
        byte[] md;
        byte[] gmo;
        byte[] data;
        byte[] context;
    }

    /** Set on a thread's first call and kept; null on threads never called. */
    private static final ThreadLocal<CallOnThread> CALLED = new ThreadLocal<>();

    private static CallOnThread callOnThisThread() {
        CallOnThread call = CALLED.get();
        if (call == null) {
            call = new CallOnThread();
            CALLED.set(call);
        }
        return call;
    }

    private final Connection connection;
    private final Queue queue;
    private final MessageListener consumer;
    private final EventListener events;
    private final ConsumerOptions options;

    private ConsumerBridge(Connection connection, Queue queue, MessageListener consumer, EventListener events,
            ConsumerOptions options) {
        this.connection = connection;
        this.queue = queue;
        this.consumer = consumer;
        this.events = events;
        this.options = options;
    }

    static ConsumerBridge forConsumer(Queue queue, MessageListener consumer, ConsumerOptions options) {
        return new ConsumerBridge(queue.connection(), queue, consumer, null, options);
    }

    static ConsumerBridge forEvents(Connection connection, EventListener events) {
        return new ConsumerBridge(connection, null, null, events, ConsumerOptions.DEFAULTS);
    }

    /** Whether this thread is inside a callback of the connection. */
    static boolean inCallbackOf(Connection connection) {
        CallOnThread call = CALLED.get();
        return call != null && call.connection == connection;
    }

    Queue queue() {
        return queue;
    }

    MessageListener listener() {
        return consumer;
    }

    EventListener eventListener() {
        return events;
    }

    ConsumerOptions options() {
        return options;
    }

    /**
     * The lengths of the four arrays (descriptor, get options, data, context)
     * that the library passed to the call running on this thread, -1 for each
     * that it passed as null; null outside a call. Lets tests see what the
     * library handed over, which a listener sees only as a message.
     */
    static int[] arrayLengthsOfThisCall() {
        CallOnThread call = CALLED.get();
        if (call == null || call.connection == null) {
            return null;
        }
        return new int[] {lengthOf(call.md), lengthOf(call.gmo), lengthOf(call.data), lengthOf(call.context)};
    }

    private static int lengthOf(byte[] array) {
        return array == null ? -1 : array.length;
    }

    /**
     * Called by the native library with the message descriptor, the get
     * options and the data (each null without a message) and the callback
     * context. The arrays are this call's own.
     */
    void talyConsumerMethod(byte[] md, byte[] gmo, byte[] data, byte[] context) {
        ByteBuffer cbc = ByteBuffer.wrap(context).order(ByteOrder.nativeOrder());
        CallType type = CallType.of(cbc.getInt(NativeLayout.VXCBC_CALL_TYPE));
        Completion completion = new Completion(cbc.getInt(NativeLayout.VXCBC_COMP_CODE),
                cbc.getInt(NativeLayout.VXCBC_REASON));
        int dataLength = cbc.getInt(NativeLayout.VXCBC_DATA_LENGTH);
        Queue concerned = queue != null ? queue : connection.consumerQueue(cbc.getInt(NativeLayout.VXCBC_HOBJ));
        ConsumerCall call = new ConsumerCall(type, completion,
                ConsumerState.of(cbc.getInt(NativeLayout.VXCBC_STATE)), dataLength, concerned);
        // A call made inside another's listener puts the outer one back after.
        CallOnThread running = callOnThisThread();
        Connection outer = running.connection;
        byte[] outerMd = running.md;
        byte[] outerGmo = running.gmo;
        byte[] outerData = running.data;
        byte[] outerContext = running.context;
        running.connection = connection;
        running.md = md;
        running.gmo = gmo;
        running.data = data;
        running.context = context;
        try {
            deliver(call, md, data);
        } catch (Exception e) {
            options.failed(call, e);
        } finally {
            running.connection = outer;
            running.md = outerMd;
            running.gmo = outerGmo;
            running.data = outerData;
            running.context = outerContext;
            if (type == CallType.DEREGISTER) {
                connection.deregistered(this);
            }
            int reason = completion.reason();
            if (type == CallType.EVENT
                    && (reason == Reasons.VXRC_CONNECTION_BROKEN || reason == Reasons.VXRC_STORE_NOT_AVAILABLE)) {
                connection.broken();
            }
        }
    }

    private void deliver(ConsumerCall call, byte[] md, byte[] data) {
        boolean message = call.type() == CallType.MSG_REMOVED || call.type() == CallType.MSG_NOT_REMOVED;
        if (consumer != null && message && md != null) {
            consumer.onMessage(new Message(md, data != null ? data : new byte[0], call.dataLength(),
                    call.completion()), call);
        } else if (consumer != null) {
            consumer.onCall(call);
        } else if (call.type() == CallType.EVENT) {
            events.onEvent(call);
        } else {
            events.onCall(call);
        }
    }
}
