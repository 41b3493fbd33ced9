package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.BeginOptions;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.ControlOptions;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.Reasons;
import java.util.Arrays;
import java.util.EnumSet;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.locks.ReentrantLock;

/**
 * A connection to a queue manager, and its unit of work.
 *
 * <p>Thread-safety: a connection and the queues opened on it may be shared
 * between threads. Their calls are serialised: one call at a time runs on a
 * connection, the others wait for it. A get that waits for a message holds
 * the connection for its wait, and the unit of work is the connection's, not
 * a thread's. Threads that should work in parallel, or in units of work of
 * their own, each use their own connection.
 *
 * <p>Consumers registered on its queues ({@link Queue#registerConsumer}) get
 * their messages on a thread of the queue manager between {@link #start()}
 * and {@link #stop()}. A listener's own calls on the connection run at once;
 * calls from other threads wait while a listener runs.
 *
 * <p>Closing (try-with-resources) disconnects; the queue manager then backs
 * out an open unit of work, stops and deregisters the consumers, and closes
 * the connection's queues. Every later
 * call on the connection or its queues fails with
 * {@code VXRC_HCONN_ERROR} without reaching the queue manager, since a
 * handle that was given up may name a new connection.
 */
public final class Connection implements AutoCloseable {

    private final ReentrantLock lock = new ReentrantLock();
    private final LocalHconn hconn;
    private final String qmgrName;
    private final Completion connectCompletion;
    private final Map<Integer, ConsumerBridge> consumers = new ConcurrentHashMap<>();
    private volatile ConsumerBridge eventBridge;
    private volatile boolean closed;

    private Connection(String qmgrName, LocalHconn hconn, Completion connectCompletion) {
        this.qmgrName = qmgrName;
        this.hconn = hconn;
        this.connectCompletion = connectCompletion;
    }

    /** Connects to the default queue manager. */
    public static Connection connect() {
        return connect(null);
    }

    /** Connects to the named queue manager; null or blank for the default one. */
    public static Connection connect(String qmgrName) {
        LocalHconn handle = new LocalHconn();
        Completion completion = Calls.check("VXCONN", Calls.connect(paddedName(qmgrName), handle));
        return new Connection(qmgrName, handle, completion);
    }

    /**
     * Connects with connect options: the application's name and, when userId
     * is not null, a user identifier and password for the queue manager to
     * check.
     */
    public static Connection connect(String qmgrName, String applName, String userId, String password) {
        String name = applName == null ? "" : applName;
        ConnectOptions options = userId == null
                ? new ConnectOptions().setApplName(name)
                : ConnectOptions.withUser(name, userId, password == null ? "" : password);
        LocalHconn handle = new LocalHconn();
        Completion completion = Calls.check("VXCONNX",
                Calls.connectWithOptions(paddedName(qmgrName), options, handle));
        return new Connection(qmgrName, handle, completion);
    }

    /** The queue-manager name as given to connect (null for the default). */
    public String qmgrName() {
        return qmgrName;
    }

    /** What the connect call reported. */
    public Completion connectCompletion() {
        return connectCompletion;
    }

    /** Opens a queue with at least one option. */
    public Queue open(String queueName, OpenOption... options) {
        return open(ObjectDescriptor.queue(queueName), options);
    }

    /**
     * Makes a dynamic queue from a model queue and opens it. A dynamic name
     * ending in '*' asks the queue manager for a unique name; {@link Queue#name()}
     * tells the name made.
     */
    public Queue openDynamic(String modelQueue, String dynamicName, OpenOption... options) {
        return open(ObjectDescriptor.queue(modelQueue).setDynamicQName(dynamicName), options);
    }

    private Queue open(ObjectDescriptor od, OpenOption[] options) {
        Set<OpenOption> set = EnumSet.noneOf(OpenOption.class);
        set.addAll(Arrays.asList(options));
        int word = OpenOption.combine(set);
        return call("VXOPEN", handle -> {
            LocalHobj hobj = new LocalHobj();
            String asked = od.objectName();
            Completion completion = Calls.open(handle, od, word, hobj);
            if (completion.failed()) {
                throw new VxException("VXOPEN", completion, "queue '" + asked + "'");
            }
            return new Queue(this, hobj, od.objectName(), set, completion);
        });
    }

    /** Puts one message to a queue without opening it first ({@code VXPUT1}). */
    public Completion putOne(String queueName, Message message, PutOptions options) {
        return putOne(ObjectDescriptor.queue(queueName), "queue '" + queueName + "'", message, options);
    }

    /**
     * Publishes one message to a topic without opening it first
     * ({@code VXPUT1}); see {@link Topic#publish(Message, PutOptions)}.
     */
    public Completion publish(String topicString, Message message, PutOptions options) {
        return putOne(ObjectDescriptor.topic(topicString), "topic '" + topicString + "'", message, options);
    }

    private Completion putOne(ObjectDescriptor od, String what, Message message, PutOptions options) {
        return call("VXPUT1", handle -> Puts.withProperties(this, message, options, pmo -> {
            Completion completion = Calls.putOne(handle, od, message.descriptor(), pmo, message.body(),
                    message.body().length);
            if (completion.failed()) {
                throw new VxException("VXPUT1", completion, what);
            }
            return completion;
        }));
    }

    /** Opens a topic for publishing. */
    public Topic openTopic(String topicString) {
        return Topic.open(this, topicString);
    }

    /** Subscribes, or resumes a durable subscription ({@code VXSUB}). */
    public Subscription subscribe(SubscribeOptions options) {
        return Subscription.subscribe(this, options);
    }

    /**
     * The outcome of the connection's puts since it connected or since the
     * last call of this method, which starts the counts again ({@code VXSTAT}).
     */
    public PutStatus putStatus() {
        return PutStatus.read(this);
    }

    /** A new message handle for properties ({@code VXCRTMH}). */
    public MessageHandle createMessageHandle() {
        return MessageHandle.create(this);
    }

    /** Begins a unit of work ({@code VXBEGIN}). */
    public Completion begin() {
        return call("VXBEGIN", handle -> Calls.check("VXBEGIN", Calls.begin(handle, new BeginOptions())));
    }

    /** Commits the connection's unit of work: its puts become visible, its gets final. */
    public Completion commit() {
        return call("VXCMIT", handle -> Calls.check("VXCMIT", Calls.commit(handle)));
    }

    /** Backs out the connection's unit of work: its puts vanish, its gets return to their queues. */
    public Completion backout() {
        return call("VXBACK", handle -> Calls.check("VXBACK", Calls.backout(handle)));
    }

    /**
     * Starts the consumers of the connection's queues, and its event
     * listener, on a thread of the queue manager; returns at once. Consumers
     * registered later start as they come.
     */
    public Completion start() {
        return control("VXCTL", Constants.VXOP_START);
    }

    /**
     * Stops the consumers. From any thread but a listener's, it returns once
     * each started consumer has had its stop call, and no listener runs; from
     * inside a listener it returns at once and the stop calls follow when the
     * listener returns. Messages wait on their queues until the next start.
     */
    public Completion stop() {
        return control("VXCTL", Constants.VXOP_STOP);
    }

    /** Holds the consumers' messages back until {@link #resume()}; they stay started. */
    public Completion suspend() {
        return control("VXCTL", Constants.VXOP_SUSPEND);
    }

    public Completion resume() {
        return control("VXCTL", Constants.VXOP_RESUME);
    }

    private Completion control(String callName, int operation) {
        return call(callName, handle -> Calls.check(callName,
                Calls.control(handle, operation, new ControlOptions())));
    }

    /**
     * Registers the connection's event listener, replacing one registered
     * before; it is told of the conditions that keep the consumers from their
     * messages.
     */
    public Completion registerEventListener(EventListener listener) {
        if (listener == null) {
            throw new NullPointerException("listener");
        }
        ConsumerBridge bridge = ConsumerBridge.forEvents(this, listener);
        return call("VXCB", handle -> {
            byte[] cbd = Calls.callbackDescriptor(Constants.VXCBT_EVENT_HANDLER, Constants.VXCBD_FULL_MSG_LENGTH);
            Completion completion = Calls.check("VXCB",
                    Calls.callback(handle, Constants.VXOP_REGISTER, new LocalHobj(), bridge, null, null, cbd));
            eventBridge = bridge;
            return completion;
        });
    }

    /** Deregisters the event listener; returns once it has had its deregister call. */
    public Completion deregisterEventListener() {
        return call("VXCB", handle -> {
            byte[] cbd = Calls.callbackDescriptor(Constants.VXCBT_EVENT_HANDLER, Constants.VXCBD_FULL_MSG_LENGTH);
            return Calls.check("VXCB",
                    Calls.callback(handle, Constants.VXOP_DEREGISTER, new LocalHobj(), null, null, null, cbd));
        });
    }

    /** The queue whose consumer was registered with this handle, or null. */
    Queue consumerQueue(int hobj) {
        ConsumerBridge bridge = consumers.get(hobj);
        return bridge == null ? null : bridge.queue();
    }

    void registered(int hobj, ConsumerBridge bridge) {
        consumers.put(hobj, bridge);
    }

    /** A registration has had its last call. */
    void deregistered(ConsumerBridge bridge) {
        consumers.values().remove(bridge);
        if (eventBridge == bridge) {
            eventBridge = null;
        }
    }

    /**
     * Disconnects. The connection counts as closed afterwards even when the
     * queue manager reports a failure, which it does only for a connection it
     * no longer knows. Disconnecting a closed connection does nothing. From
     * any thread but a listener's it returns once the consumers have had
     * their stop and deregister calls.
     */
    public Completion disconnect() {
        if (ConsumerBridge.inCallbackOf(this)) {
            return disconnectNow();
        }
        lock.lock();
        try {
            return disconnectNow();
        } finally {
            lock.unlock();
        }
    }

    private Completion disconnectNow() {
        if (closed) {
            return Completion.OK;
        }
        closed = true;
        return Calls.check("VXDISC", Calls.disconnect(hconn));
    }

    /** Disconnects, as {@link #disconnect()}. */
    @Override
    public void close() {
        disconnect();
    }

    public boolean isClosed() {
        return closed;
    }

    /** A call made with the connection's handle while it holds the connection. */
    interface Call<T> {
        T run(int hconn);
    }

    /**
     * Runs a call alone on this connection; refuses it once the connection
     * is closed. Inside a listener of the connection the call runs at once:
     * the queue manager serves a listener's calls while it holds the
     * connection for the listener, and a caller that holds this lock may be
     * waiting for the listener to return.
     */
    <T> T call(String callName, Call<T> body) {
        if (ConsumerBridge.inCallbackOf(this)) {
            return callNow(callName, body);
        }
        lock.lock();
        try {
            return callNow(callName, body);
        } finally {
            lock.unlock();
        }
    }

    private <T> T callNow(String callName, Call<T> body) {
        if (closed) {
            throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HCONN_ERROR, "the connection is closed");
        }
        return body.run(hconn.value);
    }

    /** Runs a call alone on this connection, or returns whenClosed once the connection is closed. */
    <T> T callUnlessClosed(T whenClosed, Call<T> body) {
        if (ConsumerBridge.inCallbackOf(this)) {
            return closed ? whenClosed : body.run(hconn.value);
        }
        lock.lock();
        try {
            return closed ? whenClosed : body.run(hconn.value);
        } finally {
            lock.unlock();
        }
    }

    static Completion checked(String call, String queueName, Completion completion) {
        if (completion.failed()) {
            throw new VxException(call, completion, "queue '" + queueName + "'");
        }
        return completion;
    }

    private static byte[] paddedName(String qmgrName) {
        return NativeStruct.qmgrName(qmgrName == null ? "" : qmgrName);
    }

    @Override
    public String toString() {
        return "Connection[" + (qmgrName == null || qmgrName.isBlank() ? "default queue manager" : qmgrName)
                + (isClosed() ? ", closed" : "") + "]";
    }
}
