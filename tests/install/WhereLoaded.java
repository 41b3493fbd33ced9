import com.orvane.vx.taly.api.Binding;
import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Queue;

/** Puts and gets a message, then prints where the native library came from. */
public class WhereLoaded {
    public static void main(String[] args) {
        try (Connection connection = Connection.connect();
                Queue queue = connection.open("TALY.QUEUE.2", OpenOption.OUTPUT, OpenOption.INPUT_SHARED)) {
            queue.put(Message.text("round trip"));
            System.out.println("got: " + queue.get().bodyText());
        }
        System.out.println("loaded: " + Binding.libraryOrigin());
    }
}
