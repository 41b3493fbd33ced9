package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import com.orvane.vx.taly.structs.SpiConstants;
import java.io.IOException;
import java.lang.reflect.Constructor;
import java.lang.reflect.Executable;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.lang.reflect.Parameter;
import java.net.URISyntaxException;
import java.nio.file.Files;
import java.nio.file.FileSystem;
import java.nio.file.FileSystems;
import java.nio.file.Path;
import java.time.Duration;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.function.BiConsumer;
import java.util.stream.Stream;
import javax.transaction.xa.XAResource;
import javax.transaction.xa.Xid;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.DynamicTest;
import org.junit.jupiter.api.TestFactory;

/**
 * Every public method and constructor of the API that takes a reference
 * refuses null with a NullPointerException that names the parameter, before
 * it does anything. The classes are found in the API's own jar, so a class or
 * method added later is checked too; the parameters that take null on
 * purpose are listed below with what null means there. The listener and
 * trace interfaces are the API's to call, not the user's.
 */
class NullArgumentsTest {

    /** "Class.member(parameter)" that takes null, and what null means. */
    private static final Map<String, String> NULL_ALLOWED = Map.ofEntries(
            Map.entry("Connection.connect(qmgrName)", "the default queue manager"),
            Map.entry("Connection.connect(applName)", "no application name"),
            Map.entry("Connection.connect(userId)", "no user"),
            Map.entry("Connection.connect(password)", "an empty password"),
            Map.entry("XaConnection.connect(qmgrName)", "the default queue manager"),
            Map.entry("PrivateConnection.connect(qmgrName)", "the default queue manager"),
            Map.entry("PrivateConnection.adoptUser(password)", "the connection vouches for the user"),
            Map.entry("PrivateConnection.defineQueue(likeQueue)", "no like queue"),
            Map.entry("PrivateConnection.subscribe(name)", "an unnamed subscription"),
            Map.entry("Message.setExpiry(lifetime)", "an unlimited lifetime"),
            Map.entry("VxException.<init>(detail)", "no detail"),
            // The library calls a trace with null texts and data.
            Map.entry("LoggerTrace.data(text)", "no text"),
            Map.entry("LoggerTrace.data(data)", "no data"),
            Map.entry("LoggerTrace.krux(message)", "no text"),
            Map.entry("LoggerTrace.krux(text1)", "no text"),
            Map.entry("LoggerTrace.krux(text2)", "no text"),
            // A transaction manager expects XAException (XAER_INVAL) from an XA resource.
            Map.entry("XaResource.start(xid)", "XAER_INVAL"),
            Map.entry("XaResource.end(xid)", "XAER_INVAL"),
            Map.entry("XaResource.prepare(xid)", "XAER_INVAL"),
            Map.entry("XaResource.commit(xid)", "XAER_INVAL"),
            Map.entry("XaResource.rollback(xid)", "XAER_INVAL"),
            Map.entry("XaResource.forget(xid)", "XAER_INVAL"),
            Map.entry("XaResource.isSameRM(other)", "not the same resource manager"));

    /** Records that hold what the queue manager answered; the API makes them, null fields and all. */
    private static final List<Class<?>> RESULTS = List.of(ConsumerCall.class, PutStatus.class, AdoptedUser.class,
            NamedSubscribers.class, Binding.Metadata.class, Completion.class);

    private static Connection connection;
    private static Queue queue;
    private static PrivateConnection privileged;
    private static final List<AutoCloseable> OPEN = new ArrayList<>();
    private static final Map<Class<?>, Object> SAMPLES = new HashMap<>();

    @BeforeAll
    static void samples() throws Exception {
        connection = Connection.connect();
        queue = TestQueues.fresh(connection);
        privileged = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT);
        XaConnection xa = XaConnection.connect();
        Topic topic = connection.openTopic("nulls/topic");
        Subscription subscription = connection.subscribe(SubscribeOptions.to("nulls/*").build());
        MessageHandle handle = connection.createMessageHandle();
        Requester requester = connection.requester(queue.name());
        PrivateSubscription privateSubscription = privileged.subscribe("nulls/private", null,
                com.orvane.vx.taly.structs.Constants.VXSO_CREATE, 0);
        OPEN.addAll(List.of(requester, handle, subscription, topic, xa, privileged));

        put(String.class, TestQueues.LOCAL);
        put(byte[].class, new byte[4]);
        put(Object.class, 7);
        put(Message.class, Message.text("x"));
        put(Duration.class, Duration.ZERO);
        put(OpenOption[].class, new OpenOption[] {OpenOption.OUTPUT});
        put(OpenOption.class, OpenOption.OUTPUT);
        put(IntAttribute.class, IntAttribute.CURRENT_DEPTH);
        put(IntAttribute[].class, new IntAttribute[] {IntAttribute.CURRENT_DEPTH});
        put(CharAttribute.class, CharAttribute.QUEUE_NAME);
        put(CloseOption.class, CloseOption.NONE);
        put(Segment[].class, new Segment[] {Segment.of(new byte[1])});
        put(Property.class, Property.of("p", 1));
        put(MessageType.class, MessageType.DATAGRAM);
        put(Priority.class, Priority.LOWEST);
        put(Persistence.class, Persistence.AS_QUEUE);
        put(GetOptions.Browse.class, GetOptions.Browse.NONE);
        put(MessageListener.class, (MessageListener) (m, c) -> { });
        put(EventListener.class, (EventListener) c -> { });
        put(BiConsumer.class, (BiConsumer<ConsumerCall, Exception>) (c, e) -> { });
        put(NativeTrace.class, NativeTrace.NONE);
        put(System.Logger.class, System.getLogger("nulls"));
        put(Map.class, Map.of());
        put(Xid.class, null);
        put(XAResource.class, xa.xaResource());
        put(Completion.class, Completion.OK);
        put(Connection.class, connection);
        put(Queue.class, queue);
        put(Topic.class, topic);
        put(Subscription.class, subscription);
        put(MessageHandle.class, handle);
        put(Requester.class, requester);
        put(PrivateConnection.class, privileged);
        put(PrivateConnection.PrivateQueue.class, privateSubscription.queue());
        put(PrivateSubscription.class, privateSubscription);
        put(XaConnection.class, xa);
        put(XaResource.class, xa.xaResource());
        put(LoggerTrace.class, new LoggerTrace());
        put(GetOptions.class, GetOptions.DEFAULTS);
        put(GetOptions.Builder.class, GetOptions.builder());
        put(PutOptions.class, PutOptions.DEFAULTS);
        put(PutOptions.Builder.class, PutOptions.builder());
        put(ConsumerOptions.class, ConsumerOptions.DEFAULTS);
        put(ConsumerOptions.Builder.class, ConsumerOptions.builder());
        put(SubscribeOptions.class, SubscribeOptions.to("nulls/options").build());
        put(SubscribeOptions.Builder.class, SubscribeOptions.to("nulls/options"));
        put(VxException.class, new VxException("VXGET", 2, 3401, null));
        put(WaitInterruptedException.class, new WaitInterruptedException("VXGET"));
    }

    private static void put(Class<?> type, Object sample) {
        SAMPLES.put(type, sample);
    }

    @AfterAll
    static void close() throws Exception {
        for (AutoCloseable open : OPEN) {
            open.close();
        }
        connection.close();
    }

    @TestFactory
    Stream<DynamicTest> everyReferenceParameterRefusesNullByName() throws Exception {
        List<DynamicTest> tests = new ArrayList<>();
        for (Class<?> type : apiClasses()) {
            if (RESULTS.contains(type) || type.isInterface()) {
                continue;
            }
            for (Executable member : members(type)) {
                Parameter[] parameters = member.getParameters();
                for (int i = 0; i < parameters.length; i++) {
                    if (parameters[i].getType().isPrimitive()) {
                        continue;
                    }
                    String name = type.getSimpleName() + "." + nameOf(member) + "(" + parameters[i].getName() + ")";
                    if (NULL_ALLOWED.containsKey(name)) {
                        continue;
                    }
                    int position = i;
                    tests.add(DynamicTest.dynamicTest(name, () -> expectNullRefused(member, position)));
                }
            }
        }
        assertTrue(tests.size() > 100, "found only " + tests.size() + " parameters: are the classes there?");
        return tests.stream();
    }

    private static void expectNullRefused(Executable member, int position) throws Exception {
        Parameter parameter = member.getParameters()[position];
        assertTrue(parameter.isNamePresent(), "compile the API with -parameters");
        Object[] arguments = new Object[member.getParameterCount()];
        for (int i = 0; i < arguments.length; i++) {
            arguments[i] = i == position ? null : sample(member.getParameters()[i].getType());
        }
        try {
            if (member instanceof Constructor<?> constructor) {
                constructor.newInstance(arguments);
            } else {
                Method method = (Method) member;
                Object target = Modifier.isStatic(method.getModifiers()) ? null : sample(method.getDeclaringClass());
                method.invoke(target, arguments);
            }
            fail("null " + parameter.getName() + " was taken");
        } catch (InvocationTargetException e) {
            Throwable thrown = e.getCause();
            if (!(thrown instanceof NullPointerException)) {
                throw new AssertionError("null " + parameter.getName() + " threw " + thrown, thrown);
            }
            assertEquals(parameter.getName(), thrown.getMessage(), "the exception names the parameter");
        }
    }

    private static Object sample(Class<?> type) {
        if (type.isPrimitive()) {
            return type == boolean.class ? false : type == long.class ? 0L : (Object) 0;
        }
        if (!SAMPLES.containsKey(type)) {
            fail("no sample of " + type.getName() + ": add one");
        }
        return SAMPLES.get(type);
    }

    private static String nameOf(Executable member) {
        return member instanceof Constructor ? "<init>" : member.getName();
    }

    /** The public methods and constructors a class declares, without those of enums and Object. */
    private static List<Executable> members(Class<?> type) {
        List<Executable> found = new ArrayList<>();
        for (Constructor<?> constructor : type.getDeclaredConstructors()) {
            if (Modifier.isPublic(constructor.getModifiers()) && !type.isEnum()) {
                found.add(constructor);
            }
        }
        for (Method method : type.getDeclaredMethods()) {
            boolean objects = method.getName().equals("equals") && method.getParameterCount() == 1;
            boolean enums = type.isEnum() && (method.getName().equals("valueOf") || method.getName().equals("values"));
            if (Modifier.isPublic(method.getModifiers()) && !method.isSynthetic() && !method.isBridge()
                    && !Modifier.isAbstract(method.getModifiers()) && !objects && !enums) {
                found.add(method);
            }
        }
        return found;
    }

    /** The public classes of the API package, read from where Connection was loaded. */
    private static List<Class<?>> apiClasses() throws IOException, URISyntaxException, ClassNotFoundException {
        Path location = Path.of(Connection.class.getProtectionDomain().getCodeSource().getLocation().toURI());
        List<Class<?>> classes = new ArrayList<>();
        try (FileSystem jar = FileSystems.newFileSystem(location);
                Stream<Path> files = Files.list(jar.getPath("com/orvane/vx/taly/api"))) {
            for (Path file : (Iterable<Path>) files::iterator) {
                String name = file.getFileName().toString();
                if (name.endsWith(".class")) {
                    Class<?> type = Class.forName("com.orvane.vx.taly.api." + name.replace(".class", ""));
                    if (Modifier.isPublic(type.getModifiers())) {
                        classes.add(type);
                    }
                }
            }
        }
        return classes;
    }
}
