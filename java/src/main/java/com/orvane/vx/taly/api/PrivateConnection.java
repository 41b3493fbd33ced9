package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.AttrErrors;
import com.orvane.vx.taly.structs.ChlAuthParms;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NamedSubscriberOptions;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.ObjectSelector;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SecurityContext;
import com.orvane.vx.taly.structs.SpiConnectOptions;
import com.orvane.vx.taly.structs.SpiConstants;
import com.orvane.vx.taly.structs.SpiGetOptions;
import com.orvane.vx.taly.structs.SpiOpenOptions;
import com.orvane.vx.taly.structs.SpiPutOptions;
import com.orvane.vx.taly.structs.SpiSyncPointOptions;
import com.orvane.vx.taly.structs.UnsubscribeDescriptor;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.EnumSet;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Set;

/**
 * A connection made by the privileged connect: it carries an environment
 * value, opens, puts and gets through the private calls (whose options
 * override the syncpoint and wait choices of the public ones), commits or
 * backs out by syncpoint option, and administers queues.
 *
 * <p>Thread-safety: calls on one private connection are serialised. Closing
 * disconnects; later calls fail with {@code VXRC_HCONN_ERROR}.
 */
public final class PrivateConnection implements Administration, AutoCloseable {

    private final LocalHconn hconn;
    private final int environment;
    private boolean closed;

    private PrivateConnection(LocalHconn hconn, int environment) {
        this.hconn = hconn;
        this.environment = environment;
    }

    /**
     * Connects with an environment value, or {@link SpiConstants#LPI_NO_ENVIRONMENT}
     * for none.
     *
     * @param qmgrName the queue manager's name; null or blank for the default one
     * @param environment the environment value the queue manager keeps with the connection
     * @return the connection
     */
    public static PrivateConnection connect(String qmgrName, int environment) {
        SpiConnectOptions options = new SpiConnectOptions();
        LocalHconn handle = new LocalHconn();
        byte[] name = NativeStruct.qmgrName(qmgrName == null ? "" : qmgrName);
        Calls.check("lpiSPIVXConnect", SpiCalls.connect(name, null, options, handle, environment));
        return new PrivateConnection(handle, options.environment());
    }

    /**
     * As {@link #connect(String, int)}, as one of the queue manager's users.
     *
     * @param qmgrName the queue manager's name; null or blank for the default one
     * @param environment the environment value
     * @param user the user
     * @param password the user's password
     * @return the connection
     */
    public static PrivateConnection connect(String qmgrName, int environment, String user, String password) {
        Objects.requireNonNull(user, "user");
        Objects.requireNonNull(password, "password");
        SpiConnectOptions options = new SpiConnectOptions();
        LocalHconn handle = new LocalHconn();
        byte[] name = NativeStruct.qmgrName(qmgrName == null ? "" : qmgrName);
        ConnectOptions cno = ConnectOptions.withUser("", user, password);
        Calls.check("lpiSPIVXConnect", SpiCalls.connect(name, cno, options, handle, environment));
        return new PrivateConnection(handle, options.environment());
    }

    /**
     * The environment value that the queue manager keeps with the connection.
     *
     * @return the value it reported
     */
    public int environment() {
        return environment;
    }

    /** A queue opened by the private open. */
    public final class PrivateQueue implements AutoCloseable {
        private final LocalHobj hobj;
        private final String name;

        private PrivateQueue(LocalHobj hobj, String name) {
            this.hobj = hobj;
            this.name = name;
        }

        /**
         * Puts a message by the private put.
         *
         * @param message the message
         * @param options how to put it
         * @param lpiOptions {@code LPIPO_*}, which override the syncpoint choice
         * @return the message identifier it was put with
         */
        public byte[] put(Message message, PutOptions options, int lpiOptions) {
            Objects.requireNonNull(message, "message");
            Objects.requireNonNull(options, "options");
            PutMessageOptions pmo = new PutMessageOptions().setOptions(options.options());
            SpiPutOptions spi = new SpiPutOptions().setOptions(lpiOptions);
            call("lpiSPIPut", handle -> Connection.checked("lpiSPIPut", name,
                    SpiCalls.put(handle, hobj.getValue(), message.descriptor(), pmo, spi, message.body())));
            return spi.msgId();
        }

        /**
         * Gets a message by the private get, into a buffer of the options'
         * {@link GetOptions#bufferSize()}, which does not grow, and in one
         * wait of the queue manager.
         *
         * @param options how to get it
         * @param lpiOptions {@code LPIGO_*}, which override the syncpoint and wait choices
         * @return the message
         */
        public Message get(GetOptions options, int lpiOptions) {
            Objects.requireNonNull(options, "options");
            Message message = new Message();
            options.applyMatch(message);
            GetMessageOptions gmo = new GetMessageOptions().setOptions(options.options())
                    .setWaitInterval(options.waitMillis()).setMatchOptions(options.matchOptions());
            SpiGetOptions spi = new SpiGetOptions().setOptions(lpiOptions);
            byte[] buffer = new byte[options.bufferSize()];
            Pint dataLength = new Pint();
            Completion completion = call("lpiSPIGet", handle -> Connection.checked("lpiSPIGet", name,
                    SpiCalls.get(handle, hobj.getValue(), message.descriptor(), gmo, spi, buffer, dataLength)));
            int received = Math.max(0, Math.min(spi.returnedLength(), buffer.length));
            message.received(Arrays.copyOf(buffer, received), dataLength.x, completion);
            return message;
        }

        /** Closes the handle; closing a queue of a closed connection does nothing. */
        @Override
        public void close() {
            synchronized (PrivateConnection.this) {
                if (!closed && hobj.getValue() != 0) {
                    Calls.close(hconn.value, hobj, 0);
                }
            }
        }
    }

    PrivateQueue queueFor(LocalHobj hobj, String name) {
        return new PrivateQueue(hobj, name);
    }

    /**
     * Opens a queue by the private open.
     *
     * @param queueName the queue's name
     * @param options one or more ways to open it
     * @return the open queue
     */
    public PrivateQueue open(String queueName, OpenOption... options) {
        Objects.requireNonNull(queueName, "queueName");
        Objects.requireNonNull(options, "options");
        Set<OpenOption> set = EnumSet.noneOf(OpenOption.class);
        set.addAll(Arrays.asList(options));
        SpiOpenOptions spi = new SpiOpenOptions(OpenOption.combine(set));
        LocalHobj hobj = new LocalHobj();
        call("lpiSPIOpen", handle -> Connection.checked("lpiSPIOpen", queueName,
                SpiCalls.open(handle, ObjectDescriptor.queue(queueName), spi, hobj)));
        return new PrivateQueue(hobj, queueName);
    }

    /**
     * Commits the unit of work by the private syncpoint.
     *
     * @return the call's completion
     */
    public Completion commit() {
        return syncPoint(SpiConstants.LPISPO_COMMIT);
    }

    /**
     * Backs out the unit of work by the private syncpoint.
     *
     * @return the call's completion
     */
    public Completion backout() {
        return syncPoint(SpiConstants.LPISPO_BACKOUT);
    }

    private Completion syncPoint(int option) {
        return call("lpiSPISyncPoint", handle -> Calls.check("lpiSPISyncPoint",
                SpiCalls.syncPoint(handle, new SpiSyncPointOptions(option))));
    }

    @Override
    public void defineQueue(String name, int queueType, String likeQueue, Map<IntAttribute, Integer> attributes) {
        Objects.requireNonNull(name, "name");
        Objects.requireNonNull(attributes, "attributes");
        byte[] like = likeQueue == null ? null : NativeStruct.qmgrName(likeQueue);
        define(SpiConstants.LPIDEF_CREATE, ObjectSelector.queue(name, queueType), like, attributes);
    }

    @Override
    public void alterQueue(String name, Map<IntAttribute, Integer> attributes) {
        Objects.requireNonNull(name, "name");
        Objects.requireNonNull(attributes, "attributes");
        define(SpiConstants.LPIDEF_REPLACE, ObjectSelector.queue(name, 0), null, attributes);
    }

    private void define(int how, ObjectSelector selector, byte[] like, Map<IntAttribute, Integer> attributes) {
        int[] selectors = new int[attributes.size()];
        int[] values = new int[attributes.size()];
        int i = 0;
        for (Map.Entry<IntAttribute, Integer> entry : attributes.entrySet()) {
            selectors[i] = entry.getKey().selector();
            values[i++] = entry.getValue();
        }
        AttrErrors errors = new AttrErrors();
        Completion completion = call("lpiSPIDefine",
                handle -> SpiCalls.define(handle, how, selector, like, selectors, values, errors));
        if (completion.failed()) {
            String detail = "queue '" + selector.objectName() + "'";
            if (errors.selector() != 0) {
                detail += ", attribute " + errors.selector() + " refused: " + Reasons.name(errors.reason());
            }
            throw new VxException("lpiSPIDefine", completion, detail);
        }
    }

    @Override
    public void deleteQueue(String name, boolean purge) {
        Objects.requireNonNull(name, "name");
        call("lpiSPIDelete", handle -> Connection.checked("lpiSPIDelete", name,
                SpiCalls.delete(handle, ObjectSelector.queue(name, 0), purge)));
    }

    @Override
    public int[] inquireQueue(String name, IntAttribute... attributes) {
        Objects.requireNonNull(name, "name");
        Objects.requireNonNull(attributes, "attributes");
        int[] selectors = new int[attributes.length];
        for (int i = 0; i < attributes.length; i++) {
            selectors[i] = attributes[i].selector();
        }
        int[] values = new int[attributes.length];
        call("spiInquire", handle -> Connection.checked("spiInquire", name,
                SpiCalls.inquire(handle, ObjectSelector.queue(name, 0), selectors, values, new byte[0], null)));
        return values;
    }

    /**
     * Converts the text of a message (format {@code Constants.VXFMT_TEXT}) from
     * the character set its descriptor names to ccsid: 37 (EBCDIC), 367, 819 or
     * 1208. The result holds at most bufferLength bytes; text that does not fit
     * is cut at a whole character with completion code 1 and
     * {@code VXRC_CONVERTED_DATA_TRUNCATED}.
     *
     * @param message the message, whose descriptor names the body's character set; it is not changed
     * @param ccsid the character set to convert to
     * @param bufferLength the most bytes of converted text wanted, at least the body's length
     * @return the converted text and its full length
     */
    public ConvertedData convert(Message message, int ccsid, int bufferLength) {
        Objects.requireNonNull(message, "message");
        byte[] body = message.body();
        if (bufferLength < body.length) {
            throw new IllegalArgumentException("buffer of " + bufferLength + " bytes for " + body.length);
        }
        byte[] data = Arrays.copyOf(body, bufferLength);
        Pint dataLength = new Pint();
        dataLength.x = body.length;
        Pint unmapped = new Pint();
        // The message keeps its descriptor: the runtime rewrites a copy.
        MessageDescriptor md = MessageDescriptor.of(message.descriptor().bytes().clone());
        Completion completion = call("vpiConvertData", handle -> Calls.check("vpiConvertData",
                SpiCalls.convert(handle, ccsid, md.encoding(), md, data, dataLength, unmapped)));
        int kept = Math.min(dataLength.x, bufferLength);
        return new ConvertedData(Arrays.copyOf(data, kept), dataLength.x, unmapped.x, completion);
    }

    /**
     * Whether the channel-authentication rules let a channel from this
     * address, for this user, connect. Other failures throw.
     *
     * @param address the channel's connection name
     * @param user the user it connects as
     * @return true when the rules allow it
     */
    public boolean channelAllowed(String address, String user) {
        Objects.requireNonNull(address, "address");
        Objects.requireNonNull(user, "user");
        ChlAuthParms parms = new ChlAuthParms(address, user);
        Completion completion = call("lpiSPICHLAUTH", handle -> SpiCalls.channelAuth(handle, parms));
        if (completion.failed() && parms.decision() != SpiConstants.LPICHLAUTH_BLOCKED) {
            throw new VxException("lpiSPICHLAUTH", completion, "channel from '" + address + "'");
        }
        return parms.decision() == SpiConstants.LPICHLAUTH_ALLOWED && !completion.failed();
    }

    /**
     * Makes the connection act as one of the queue manager's users: the
     * messages it puts from now on carry that user's identifier. With
     * password null the connection vouches for the user; otherwise the
     * password must be the user's.
     *
     * @param user the user to act as
     * @param password the user's password, or null for none
     * @return what adopt-user answered
     */
    public AdoptedUser adoptUser(String user, String password) {
        Objects.requireNonNull(user, "user");
        int options = password == null ? SpiConstants.LPIADU_NONE : SpiConstants.LPIADU_AUTHENTICATE;
        return adopt(options, user.getBytes(StandardCharsets.UTF_8), new SecurityContext(null, password));
    }

    /**
     * Makes the connection act as its own user again.
     *
     * @return what adopt-user answered
     */
    public AdoptedUser restoreUser() {
        return adopt(SpiConstants.LPIADU_RESTORE, null, new SecurityContext(null, null));
    }

    private AdoptedUser adopt(int options, byte[] clientId, SecurityContext context) {
        Pint inOut = new Pint();
        inOut.x = options;
        byte[] product = new byte[SpiConstants.LPI_PRODUCT_IDENTIFIER.length()];
        call("lpiSPIAdoptUser", handle -> Calls.check("lpiSPIAdoptUser",
                SpiCalls.adoptUser(handle, context, product, clientId, inOut)));
        return new AdoptedUser(context.mappedUserId(), inOut.x,
                new String(product, StandardCharsets.ISO_8859_1));
    }

    /**
     * The user identifier that a user with this password acts under.
     *
     * @param user the user
     * @param password the password
     * @return the user identifier
     * @throws VxException when the user is unknown or the password not the user's
     */
    public String mapCredentials(String user, String password) {
        Objects.requireNonNull(user, "user");
        Objects.requireNonNull(password, "password");
        SecurityContext context = new SecurityContext(user, password);
        call("lpiSPIMapCredentials", handle -> Calls.check("lpiSPIMapCredentials",
                SpiCalls.mapCredentials(handle, context)));
        return context.mappedUserId();
    }

    /**
     * The named subscriptions that a publication on the topic would reach
     * (byTopic), or those of the name or of a prefix ending in '*'; at most
     * bufferLength bytes of names come back.
     *
     * @param byTopic true to find by the topic, false by the name or prefix
     * @param text the topic string, the name, or a prefix ending in '*'
     * @param bufferLength the most bytes of names wanted
     * @return the names found, and how many
     */
    public NamedSubscribers inquireNamedSubscribers(boolean byTopic, String text, int bufferLength) {
        Objects.requireNonNull(text, "text");
        NamedSubscriberOptions options = new NamedSubscriberOptions(
                byTopic ? SpiConstants.LPINSO_BY_TOPIC : SpiConstants.LPINSO_BY_NAME);
        byte[] name = text.getBytes(StandardCharsets.UTF_8);
        byte[] subIds = new byte[bufferLength];
        Pint inOut = new Pint();
        inOut.x = bufferLength;
        Pint inUse = new Pint();
        Completion completion = call("lpiSPIInquireNamedSubscribers", handle -> Calls.check(
                "lpiSPIInquireNamedSubscribers",
                SpiCalls.inquireNamedSubscribers(handle, options, name, subIds, inOut, inUse)));
        List<String> names = new ArrayList<>();
        int end = Math.min(options.returnedLength(), subIds.length);
        for (int at = 0; at < end;) {
            int nul = at;
            while (nul < end && subIds[nul] != 0) {
                nul++;
            }
            names.add(new String(subIds, at, nul - at, StandardCharsets.UTF_8));
            at = nul + 1;
        }
        return new NamedSubscribers(List.copyOf(names), inOut.x, inUse.x, completion);
    }

    /**
     * Subscribes by the private subscribe, with a queue made for the
     * subscription: VXSO_* options and the private LPISO_* ones. name null
     * for an unnamed subscription.
     *
     * @param topicString the topic string
     * @param name the subscription's name, or null for an unnamed one
     * @param options {@code VXSO_*}
     * @param lpiOptions {@code LPISO_*}
     * @return the subscription
     */
    public PrivateSubscription subscribe(String topicString, String name, int options, int lpiOptions) {
        Objects.requireNonNull(topicString, "topicString");
        return PrivateSubscription.subscribe(this, topicString, name, options, lpiOptions);
    }

    /**
     * Removes the subscription of that name, unless another connection has it open.
     *
     * @param subscriptionName the subscription's name
     */
    public void unsubscribe(String subscriptionName) {
        Objects.requireNonNull(subscriptionName, "subscriptionName");
        call("lpiSPIUnsubscribe", handle -> Calls.check("lpiSPIUnsubscribe",
                SpiCalls.unsubscribe(handle, UnsubscribeDescriptor.byName(subscriptionName))));
    }

    /**
     * Disconnects; the queue manager backs out an open unit of work.
     *
     * @return the disconnect's completion: a warning, {@code VXRC_BACKED_OUT_AT_DISCONNECT},
     *     when it backed out a unit of work that held messages
     */
    public synchronized Completion disconnect() {
        if (closed) {
            return Completion.OK;
        }
        closed = true;
        return Calls.check("VXDISC", Calls.disconnect(hconn));
    }

    /**
     * Disconnects, as {@link #disconnect()}; a warning of the disconnect is
     * logged as {@link Connection#close()} logs it.
     */
    @Override
    public void close() {
        ApiLog.closedWith(this, disconnect());
    }

    synchronized <T> T call(String callName, Connection.Call<T> body) {
        if (closed) {
            throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HCONN_ERROR,
                    "the connection is closed");
        }
        return body.run(hconn.value);
    }

    /** The environment value and whether the connection is closed. */
    @Override
    public synchronized String toString() {
        return "PrivateConnection[environment " + environment + (closed ? ", closed" : "") + "]";
    }
}
