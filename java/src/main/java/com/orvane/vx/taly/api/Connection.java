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
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.EnumSet;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicReference;
import java.util.concurrent.locks.ReentrantLock;

/**
 * A connection to a queue manager, and its unit of work.
 *
 * <p>Thread-safety: a connection and the queues opened on it may be shared
 * between threads. Their calls are serialised: one call at a time runs on a
 * connection, the others wait their turn, in the order they came. A get that
 * waits for a message waits in slices of at most
 * {@value Queue#WAIT_SLICE_MILLIS} ms and lets the other threads' calls in
 * between; the unit of work is the connection's, not a thread's. Threads that
 * should work in parallel, or in units of work of their own, each use their
 * own connection.
 *
 * <p>Consumers registered on its queues ({@link Queue#registerConsumer}) get
 * their messages on a thread of the queue manager between {@link #start()}
 * and {@link #stop()}. A listener's own calls on the connection run at once;
 * calls from other threads wait while a listener runs.
 *
 * <p>Closing (try-with-resources) disconnects; the queue manager then backs
 * out an open unit of work (which {@link #close()} logs as a warning), stops
 * and deregisters the consumers, and closes the connection's queues. A get
 * waiting on the connection in another thread ends within a slice with
 * {@code VXRC_HCONN_ERROR}. From the start of the disconnect every later call
 * on the connection or its queues, a listener's included, fails with
 * {@code VXRC_HCONN_ERROR} (3001) without reaching the queue manager, since a
 * handle that was given up may name a new connection.
 *
 * <p>A queue manager that keeps its queues in a database ({@code VXRT_DATABASE})
 * can lose it: every call then fails with {@code VXRC_CONNECTION_BROKEN}
 * (3911) until {@link #reconnect()}, and a listener hears of it as an event;
 * with {@link #reconnectOnBreak(Duration, Duration)} the connection reconnects
 * by itself when a listener's event tells of it.
 */
public final class Connection implements AutoCloseable {

    /** The model queue of the embedded queue manager, from which {@link #requester(String)} makes reply queues. */
    public static final String DEFAULT_MODEL_QUEUE = "TALY.MODEL.QUEUE";

    /** How the connection was made, and is made again by {@link #reconnect()}. */
    private interface Connector {
        Completion connect(LocalHconn handle);
    }

    /** Fair, so that a close or another thread's call gets in between the slices of a waiting get. */
    private final ReentrantLock lock = new ReentrantLock(true);
    private final LocalHconn hconn;
    private final String qmgrName;
    private final Connector connector;
    private final Completion connectCompletion;
    private final Map<Integer, ConsumerBridge> consumers = new ConcurrentHashMap<>();
    private final Set<Queue> queues = ConcurrentHashMap.newKeySet();
    private volatile ConsumerBridge eventBridge;
    private volatile boolean started;
    private volatile boolean closing;
    private volatile boolean closed;
    /** The first and longest wait between tries of a reconnect on break; null when not asked for. */
    private volatile Duration[] reconnectBackoff;
    private final AtomicBoolean reconnecting = new AtomicBoolean();
    /**
     * A get's buffer kept for the next get, so that a get of a short message
     * into the default buffer does not make and clear 64 KiB each time; null
     * while a get uses it.
     */
    private final AtomicReference<byte[]> spareGetBuffer = new AtomicReference<>();
    /**
     * What a reconnect registers and starts again, kept from its first try
     * until one succeeds: a try whose connect fails has already let the old
     * handle's consumers go. Guarded by the lock.
     */
    private Restore restore;

    /** The consumers, the event listener and the started state of the handle a reconnect replaces. */
    private record Restore(List<ConsumerBridge> consumers, ConsumerBridge events, boolean started) {
    }

    private Connection(String qmgrName, LocalHconn hconn, Connector connector, Completion connectCompletion) {
        this.qmgrName = qmgrName;
        this.hconn = hconn;
        this.connector = connector;
        this.connectCompletion = connectCompletion;
    }

    /**
     * Connects to the default queue manager ({@code VXCONN}).
     *
     * @return the connection
     * @throws VxException when the queue manager refuses, such as
     *     {@code VXRC_CONFIGURATION_ERROR} when its configuration file is
     *     missing or has a bad line (its standard error names the file and line)
     */
    public static Connection connect() {
        return connect(null);
    }

    /**
     * Connects to the named queue manager ({@code VXCONN}).
     *
     * @param qmgrName the queue manager's name; null or blank for the default one
     * @return the connection
     * @throws VxException when the queue manager refuses ({@code VXRC_QMGR_NAME_ERROR}
     *     for a name it does not have)
     */
    public static Connection connect(String qmgrName) {
        LocalHconn handle = new LocalHconn();
        Connector connector = h -> Calls.connect(paddedName(qmgrName), h);
        Completion completion = connectCheck("VXCONN", connector.connect(handle));
        return new Connection(qmgrName, handle, connector, completion);
    }

    /**
     * Connects with connect options ({@code VXCONNX}): the application's
     * name and, when userId is not null, a user identifier and password for
     * the queue manager to check.
     *
     * @param qmgrName the queue manager's name; null or blank for the default one
     * @param applName the application's name, kept with the connection; null for none
     * @param userId the user; null to name none
     * @param password the user's password; null for an empty one
     * @return the connection
     * @throws VxException when the queue manager refuses ({@code VXRC_NOT_AUTHORIZED}
     *     for a user or password it does not accept)
     */
    public static Connection connect(String qmgrName, String applName, String userId, String password) {
        String name = applName == null ? "" : applName;
        ConnectOptions options = userId == null
                ? new ConnectOptions().setApplName(name)
                : ConnectOptions.withUser(name, userId, password == null ? "" : password);
        LocalHconn handle = new LocalHconn();
        Connector connector = h -> Calls.connectWithOptions(paddedName(qmgrName), options, h);
        Completion completion = connectCheck("VXCONNX", connector.connect(handle));
        return new Connection(qmgrName, handle, connector, completion);
    }

    private static Completion connectCheck(String call, Completion completion) {
        if (completion.reason() == Reasons.VXRC_CONFIGURATION_ERROR) {
            String file = System.getenv("VXRT_QUEUES_FILE");
            throw new VxException(call, completion, "the queue manager's configuration file"
                    + (file == null ? "" : " " + file) + " is missing or has a bad line; its standard error"
                    + " names the file and the line");
        }
        return Calls.check(call, completion);
    }

    /**
     * The queue-manager name as given to connect.
     *
     * @return the name, or null for the default queue manager
     */
    public String qmgrName() {
        return qmgrName;
    }

    /**
     * What the connect call reported.
     *
     * @return the connect's completion
     */
    public Completion connectCompletion() {
        return connectCompletion;
    }

    /**
     * Opens a queue ({@code VXOPEN}).
     *
     * @param queueName the queue's name
     * @param options one or more ways to open it
     * @return the open queue
     * @throws VxException when the queue manager refuses ({@code VXRC_UNKNOWN_OBJECT_NAME}
     *     for a queue it does not have)
     */
    public Queue open(String queueName, OpenOption... options) {
        Objects.requireNonNull(queueName, "queueName");
        return open(ObjectDescriptor.queue(queueName), checked(options), false);
    }

    /**
     * Makes a dynamic queue from a model queue and opens it. A dynamic name
     * ending in '*' asks the queue manager for a unique name;
     * {@link Queue#name()} tells the name made. The queue goes when it is
     * closed with {@link CloseOption#DELETE} or its connection ends.
     *
     * @param modelQueue the model queue's name
     * @param dynamicName the new queue's name, or a prefix followed by '*'
     * @param options one or more ways to open it
     * @return the open queue
     */
    public Queue openDynamic(String modelQueue, String dynamicName, OpenOption... options) {
        Objects.requireNonNull(modelQueue, "modelQueue");
        Objects.requireNonNull(dynamicName, "dynamicName");
        return open(ObjectDescriptor.queue(modelQueue).setDynamicQName(dynamicName), checked(options), true);
    }

    private static OpenOption[] checked(OpenOption[] options) {
        Objects.requireNonNull(options, "options");
        for (OpenOption option : options) {
            Objects.requireNonNull(option, "options");
        }
        return options;
    }

    private Queue open(ObjectDescriptor od, OpenOption[] options, boolean dynamic) {
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
            return new Queue(this, hobj, od.objectName(), set, completion, dynamic);
        });
    }

    /**
     * Puts one message to a queue without opening it first ({@code VXPUT1}),
     * outside any unit of work.
     *
     * @param queueName the queue's name
     * @param message the message, whose descriptor receives what the queue manager chose
     * @return the put's completion
     */
    public Completion putOne(String queueName, Message message) {
        return putOne(queueName, message, PutOptions.DEFAULTS);
    }

    /**
     * Puts one message to a queue without opening it first ({@code VXPUT1}).
     *
     * @param queueName the queue's name
     * @param message the message, whose descriptor receives what the queue manager chose
     * @param options how to put it
     * @return the put's completion
     */
    public Completion putOne(String queueName, Message message, PutOptions options) {
        Objects.requireNonNull(queueName, "queueName");
        return putOne(ObjectDescriptor.queue(queueName), "queue '" + queueName + "'", message, options);
    }

    /**
     * Publishes one message to a topic without opening it first
     * ({@code VXPUT1}), outside any unit of work; see
     * {@link Topic#publish(Message, PutOptions)}.
     *
     * @param topicString the topic, levels separated by '/'
     * @param message the message
     * @return the publication's completion ({@code VXRC_NOT_ALL_DELIVERED} as a
     *     warning when a subscription's destination could not take its copy)
     */
    public Completion publish(String topicString, Message message) {
        return publish(topicString, message, PutOptions.DEFAULTS);
    }

    /**
     * Publishes one message to a topic without opening it first
     * ({@code VXPUT1}); see {@link Topic#publish(Message, PutOptions)}.
     *
     * @param topicString the topic, levels separated by '/'
     * @param message the message
     * @param options how to put it
     * @return the publication's completion
     */
    public Completion publish(String topicString, Message message, PutOptions options) {
        Objects.requireNonNull(topicString, "topicString");
        return putOne(ObjectDescriptor.topic(topicString), "topic '" + topicString + "'", message, options);
    }

    private Completion putOne(ObjectDescriptor od, String what, Message message, PutOptions options) {
        Objects.requireNonNull(message, "message");
        Objects.requireNonNull(options, "options");
        return call("VXPUT1", handle -> Puts.withProperties(this, message, options, pmo -> {
            Completion completion = Calls.putOne(handle, od, message.descriptor(), pmo, message.body(),
                    message.body().length);
            if (completion.failed()) {
                throw new VxException("VXPUT1", completion, what);
            }
            return completion;
        }));
    }

    /**
     * Sends requests to a queue and waits for their replies on a dynamic
     * queue made for them from {@link #DEFAULT_MODEL_QUEUE}; see {@link Requester}.
     *
     * @param requestQueue the queue the requests go to
     * @return the requester, whose close deletes its reply queue
     */
    public Requester requester(String requestQueue) {
        Objects.requireNonNull(requestQueue, "requestQueue");
        return Requester.open(this, requestQueue, null);
    }

    /**
     * Sends requests to a queue and waits for their replies on a queue of the
     * caller's; see {@link Requester}.
     *
     * @param requestQueue the queue the requests go to
     * @param replyQueue a queue of this connection open for input, where the replies come
     * @return the requester, whose close leaves the reply queue open
     */
    public Requester requester(String requestQueue, Queue replyQueue) {
        Objects.requireNonNull(requestQueue, "requestQueue");
        Objects.requireNonNull(replyQueue, "replyQueue");
        return Requester.open(this, requestQueue, replyQueue);
    }

    /**
     * Replies to a request outside any unit of work; see
     * {@link #reply(Message, Message, PutOptions)}.
     *
     * @param request the request as got, with its reply-to queue and message identifier
     * @param reply the reply
     * @return the put's completion
     */
    public Completion reply(Message request, Message reply) {
        return reply(request, reply, PutOptions.DEFAULTS);
    }

    /**
     * Replies to a request: puts the reply ({@code VXPUT1}) to the request's
     * reply-to queue (and queue manager), with the request's message
     * identifier as its correlation identifier, which is what
     * {@link Requester#request} waits for. A reply still of type
     * {@link MessageType#DATAGRAM} becomes a {@link MessageType#REPLY}. A
     * responder that got the request under syncpoint replies under syncpoint
     * too, so that the request's removal and the reply commit together.
     *
     * @param request the request as got
     * @param reply the reply
     * @param options how to put the reply
     * @return the put's completion
     * @throws IllegalArgumentException when the request names no reply-to queue
     */
    public Completion reply(Message request, Message reply, PutOptions options) {
        Objects.requireNonNull(request, "request");
        Objects.requireNonNull(reply, "reply");
        Objects.requireNonNull(options, "options");
        String to = request.replyToQueue();
        if (to.isEmpty()) {
            throw new IllegalArgumentException("the request names no reply-to queue");
        }
        reply.setCorrelId(request.msgId());
        if (reply.messageType() == MessageType.DATAGRAM) {
            reply.setMessageType(MessageType.REPLY);
        }
        ObjectDescriptor od = ObjectDescriptor.queue(to).setObjectQMgrName(request.replyToQueueManager());
        return putOne(od, "reply-to queue '" + to + "'", reply, options);
    }

    /**
     * Opens a topic for publishing.
     *
     * @param topicString the topic, levels separated by '/'
     * @return the open topic
     */
    public Topic openTopic(String topicString) {
        Objects.requireNonNull(topicString, "topicString");
        return Topic.open(this, topicString);
    }

    /**
     * Subscribes, or resumes a durable subscription ({@code VXSUB}).
     *
     * @param options what to subscribe to, made with {@link SubscribeOptions#to} or
     *     {@link SubscribeOptions#resume}
     * @return the subscription, whose {@link Subscription#queue()} the publications arrive on
     */
    public Subscription subscribe(SubscribeOptions options) {
        Objects.requireNonNull(options, "options");
        return Subscription.subscribe(this, options);
    }

    /**
     * The outcome of the connection's puts since it connected or since the
     * last call of this method, which starts the counts again ({@code VXSTAT}).
     *
     * @return the counts and the last problem
     */
    public PutStatus putStatus() {
        return PutStatus.read(this);
    }

    /**
     * A new message handle for properties ({@code VXCRTMH}).
     *
     * @return the handle, which close deletes
     */
    public MessageHandle createMessageHandle() {
        return MessageHandle.create(this);
    }

    /**
     * Begins a unit of work ({@code VXBEGIN}); puts and gets under syncpoint
     * also begin one of their own accord.
     *
     * @return the call's completion
     */
    public Completion begin() {
        return call("VXBEGIN", handle -> Calls.check("VXBEGIN", Calls.begin(handle, new BeginOptions())));
    }

    /**
     * Commits the connection's unit of work: its puts become visible, its
     * gets final ({@code VXCMIT}).
     *
     * @return the call's completion
     */
    public Completion commit() {
        return call("VXCMIT", handle -> Calls.check("VXCMIT", Calls.commit(handle)));
    }

    /**
     * Backs out the connection's unit of work: its puts vanish, its gets
     * return to their queues with their backout counts raised ({@code VXBACK}).
     *
     * @return the call's completion
     */
    public Completion backout() {
        return call("VXBACK", handle -> Calls.check("VXBACK", Calls.backout(handle)));
    }

    /**
     * Starts the consumers of the connection's queues, and its event
     * listener, on a thread of the queue manager; returns at once. Consumers
     * registered later start as they come.
     *
     * @return the call's completion
     */
    public Completion start() {
        Completion completion = control("VXCTL", Constants.VXOP_START);
        started = true;
        return completion;
    }

    /**
     * Stops the consumers. From any thread but a listener's, it returns once
     * each started consumer has had its stop call, and no listener runs; from
     * inside a listener it returns at once and the stop calls follow when the
     * listener returns. Messages wait on their queues until the next start.
     *
     * @return the call's completion
     */
    public Completion stop() {
        Completion completion = control("VXCTL", Constants.VXOP_STOP);
        started = false;
        return completion;
    }

    /**
     * Holds the consumers' messages back until {@link #resume()}; they stay started.
     *
     * @return the call's completion
     */
    public Completion suspend() {
        return control("VXCTL", Constants.VXOP_SUSPEND);
    }

    /**
     * Lets the consumers' messages come again after {@link #suspend()}.
     *
     * @return the call's completion
     */
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
     *
     * @param listener the listener, called on a thread of the queue manager
     * @return the call's completion
     */
    public Completion registerEventListener(EventListener listener) {
        Objects.requireNonNull(listener, "listener");
        ConsumerBridge bridge = ConsumerBridge.forEvents(this, listener);
        return call("VXCB", handle -> {
            byte[] cbd = Calls.callbackDescriptor(Constants.VXCBT_EVENT_HANDLER, Constants.VXCBD_FULL_MSG_LENGTH);
            Completion completion = Calls.check("VXCB",
                    Calls.callback(handle, Constants.VXOP_REGISTER, new LocalHobj(), bridge, null, null, cbd));
            eventBridge = bridge;
            return completion;
        });
    }

    /**
     * Deregisters the event listener; returns once it has had its deregister call.
     *
     * @return the call's completion
     */
    public Completion deregisterEventListener() {
        return call("VXCB", handle -> {
            byte[] cbd = Calls.callbackDescriptor(Constants.VXCBT_EVENT_HANDLER, Constants.VXCBD_FULL_MSG_LENGTH);
            return Calls.check("VXCB",
                    Calls.callback(handle, Constants.VXOP_DEREGISTER, new LocalHobj(), null, null, null, cbd));
        });
    }

    /**
     * Connects again, after the queue manager lost what this connection
     * stood on (its database, {@code VXRC_CONNECTION_BROKEN}), as it was
     * first connected: the old handle is disconnected, a new one made, the
     * open queues opened again with their options, their consumers and the
     * event listener registered again (each has its deregister call, then its
     * register call), and the connection started again when it was started.
     * Dynamic queues, topics, subscriptions and message handles belonged to
     * the old handle: those queues are closed, the rest fail as closed.
     *
     * <p>The unit of work in progress is gone: its puts never appear, and the
     * messages it got come back to their queues, with their backout counts
     * raised, once the queue manager finds the old handle's session gone (in
     * about a second). A commit that failed with {@code VXRC_CONNECTION_BROKEN}
     * may have happened or not: what it put may be there, what it got may be gone.
     *
     * @return the new connect's completion
     * @throws VxException when the connect fails (the queue manager's store is
     *     still away, say: {@code VXRC_STORE_NOT_AVAILABLE}); the connection
     *     may be reconnected again, and that reconnect registers and starts
     *     again what the handle before the failed one had
     * @throws IllegalStateException from inside a listener of this connection
     */
    public Completion reconnect() {
        if (ConsumerBridge.inCallbackOf(this)) {
            throw new IllegalStateException("a listener cannot reconnect its own connection");
        }
        lock.lock();
        try {
            if (closing || closed) {
                throw new VxException("VXCONN", Reasons.VXCC_FAILED, Reasons.VXRC_HCONN_ERROR,
                        "the connection is closed");
            }
            if (restore == null) {
                restore = new Restore(new ArrayList<>(consumers.values()), eventBridge, started);
            }
            // What the old handle had is backed out and let go; its consumers
            // have their deregister calls.
            Calls.disconnect(hconn);
            consumers.clear();
            eventBridge = null;
            Completion completion = Calls.check("VXCONN", connector.connect(hconn));
            for (Queue queue : new ArrayList<>(queues)) {
                queue.reopen(hconn.value);
            }
            for (ConsumerBridge bridge : restore.consumers()) {
                if (!bridge.queue().isClosed()) {
                    bridge.queue().registerConsumer(bridge.listener(), bridge.options());
                }
            }
            if (restore.events() != null) {
                registerEventListener(restore.events().eventListener());
            }
            if (restore.started()) {
                start();
            }
            restore = null;
            return completion;
        } finally {
            lock.unlock();
        }
    }

    /**
     * Has the connection reconnect by itself ({@link #reconnect()}), on a
     * thread of its own, when one of its listeners, or its event listener,
     * is told that the queue manager lost its database
     * ({@code VXRC_CONNECTION_BROKEN} or {@code VXRC_STORE_NOT_AVAILABLE}):
     * first after the first wait, then after waits twice as long each time,
     * up to the longest, until it succeeds or the connection is closed. The
     * listeners are told of the break as an event before, and have their
     * register and start calls again after. Tries are logged at DEBUG, the
     * reconnect at INFO, to the {@link System.Logger} named {@value ApiLog#NAME}.
     *
     * @param first the wait before the first try
     * @param longest the longest wait between tries
     */
    public void reconnectOnBreak(Duration first, Duration longest) {
        Objects.requireNonNull(first, "first");
        Objects.requireNonNull(longest, "longest");
        if (first.isNegative() || longest.compareTo(first) < 0) {
            throw new IllegalArgumentException("waits from " + first + " up to " + longest);
        }
        reconnectBackoff = new Duration[] {first, longest};
    }

    /** A listener's call told of a broken database: reconnect, when asked to. */
    void broken() {
        Duration[] backoff = reconnectBackoff;
        if (backoff == null || closing() || !reconnecting.compareAndSet(false, true)) {
            return;
        }
        Thread thread = new Thread(() -> reconnectWithBackoff(backoff[0], backoff[1]), "vxtaly reconnect");
        thread.setDaemon(true);
        thread.start();
    }

    private void reconnectWithBackoff(Duration first, Duration longest) {
        try {
            long wait = first.toMillis();
            for (int tries = 1; !closing(); ++tries) {
                Thread.sleep(wait);
                try {
                    reconnect();
                    ApiLog.reconnected(this, tries);
                    return;
                } catch (VxException e) {
                    wait = Math.min(Math.max(1, wait * 2), longest.toMillis());
                    ApiLog.reconnectFailed(this, e, wait);
                }
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        } finally {
            reconnecting.set(false);
        }
    }

    /** A queue opened on this connection, to be opened again by a reconnect. */
    void opened(Queue queue) {
        queues.add(queue);
    }

    /** A queue closed. */
    void forget(Queue queue) {
        queues.remove(queue);
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
     * Disconnects ({@code VXDISC}). The connection counts as closed from the
     * start, even when the queue manager reports a failure, which it does
     * only for a connection it no longer knows: a get waiting on it in
     * another thread ends, and the calls of its listeners fail with
     * {@code VXRC_HCONN_ERROR}. Disconnecting a closed connection does
     * nothing. From any thread but a listener's it returns once the consumers
     * have had their stop and deregister calls.
     *
     * @return the disconnect's completion: a warning, {@code VXRC_BACKED_OUT_AT_DISCONNECT},
     *     when the queue manager backed out a unit of work that held messages
     */
    public Completion disconnect() {
        if (ConsumerBridge.inCallbackOf(this)) {
            return disconnectNow();
        }
        closing = true;
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
        closing = true;
        closed = true;
        spareGetBuffer.set(null);
        return Calls.check("VXDISC", Calls.disconnect(hconn));
    }

    /**
     * Disconnects, as {@link #disconnect()}. A warning of the disconnect, such
     * as a unit of work backed out ({@code VXRC_BACKED_OUT_AT_DISCONNECT}),
     * is logged at level WARNING to the {@link System.Logger} named
     * {@value ApiLog#NAME}.
     */
    @Override
    public void close() {
        ApiLog.closedWith(this, disconnect());
    }

    /**
     * Whether the connection is closed, or closing in another thread.
     *
     * @return true once a disconnect has started
     */
    public boolean isClosed() {
        return closing || closed;
    }

    /** Whether a disconnect has started, in this thread or another. */
    boolean closing() {
        return closing || closed;
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
            return callbackNow(callName, body);
        }
        lock.lock();
        try {
            return callNow(callName, body);
        } finally {
            lock.unlock();
        }
    }

    /**
     * As {@link #call}, for one slice of a wait: an interrupt while waiting
     * for the connection ends the wait.
     */
    <T> T callInterruptibly(String callName, Call<T> body) throws InterruptedException {
        if (ConsumerBridge.inCallbackOf(this)) {
            return callbackNow(callName, body);
        }
        lock.lockInterruptibly();
        try {
            return callNow(callName, body);
        } finally {
            lock.unlock();
        }
    }

    /**
     * A listener's call: it runs at once, unless another thread has begun to
     * disconnect, which waits for the listener to return.
     */
    private <T> T callbackNow(String callName, Call<T> body) {
        if (closing) {
            throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HCONN_ERROR,
                    "the connection is being closed");
        }
        return callNow(callName, body);
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

    /** The longest get buffer kept between gets. */
    private static final int KEPT_GET_BUFFER = GetOptions.DEFAULT_BUFFER_SIZE;

    /**
     * A buffer of at least size bytes for a get: the one kept from an earlier
     * get when it is free and long enough, else a new one of size bytes.
     */
    byte[] takeGetBuffer(int size) {
        if (size > KEPT_GET_BUFFER) {
            return new byte[size];
        }
        byte[] spare = spareGetBuffer.getAndSet(null);
        return spare != null && spare.length >= size ? spare : new byte[size];
    }

    /** Keeps a get's buffer for the next get, unless it is longer than those kept. */
    void keepGetBuffer(byte[] buffer) {
        if (buffer.length <= KEPT_GET_BUFFER) {
            spareGetBuffer.set(buffer);
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

    /** The queue manager's name (or "default queue manager") and whether the connection is closed. */
    @Override
    public String toString() {
        return "Connection[" + (qmgrName == null || qmgrName.isBlank() ? "default queue manager" : qmgrName)
                + (isClosed() ? ", closed" : "") + "]";
    }
}
